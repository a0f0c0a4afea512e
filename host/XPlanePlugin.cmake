# volax_add_xplane_plugin(<target> <sources...>)
#
# Builds an X-Plane plugin: a shared library <target>.xpl in <build>/bin, only
# the entry points visible. On Linux the XPLM functions are left undefined for
# the host (X-Plane or xplm-host) to resolve at load time; on Windows they are
# imported from XPLM_64.dll.

function(volax_add_xplane_plugin target)
  if(NOT ARGN)
    message(FATAL_ERROR "volax_add_xplane_plugin(${target}): no sources")
  endif()
  add_library(${target} MODULE ${ARGN})
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    SUFFIX ".xpl"
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(${target} PRIVATE volax::xplm)
  target_link_options(${target} PRIVATE -static-libgcc)
  if(WIN32)
    target_link_libraries(${target} PRIVATE volax_xplm_import)
  endif()
endfunction()
