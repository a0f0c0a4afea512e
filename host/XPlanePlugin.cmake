# volax_add_xplane_plugin(<target> <sources...>)
#
# Builds an X-Plane plugin as on Linux: a shared library <target>.xpl in
# <build>/bin, only the entry points visible, the XPLM functions left undefined
# for the host (X-Plane or xplm-host) to resolve at load time.

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
endfunction()
