# Defines volax::xplm: the X-Plane plugin library declarations, ours (xplm/) by
# default or a real SDK's with -DXPLM_SDK_DIR=<folder holding CHeaders>.

add_library(volax_xplm INTERFACE)
if(XPLM_SDK_DIR)
  if(EXISTS ${XPLM_SDK_DIR}/CHeaders/XPLM/XPLMDefs.h)
    target_include_directories(volax_xplm INTERFACE ${XPLM_SDK_DIR}/CHeaders/XPLM ${XPLM_SDK_DIR}/CHeaders/Widgets)
  else()
    message(FATAL_ERROR "XPLM_SDK_DIR=${XPLM_SDK_DIR}: no CHeaders/XPLM/XPLMDefs.h there")
  endif()
else()
  target_include_directories(volax_xplm INTERFACE ${CMAKE_SOURCE_DIR}/xplm)
endif()
target_compile_definitions(volax_xplm INTERFACE ${VOLAX_XPLM_PLATFORM} ${VOLAX_XPLM_VERSIONS})
add_library(volax::xplm ALIAS volax_xplm)

# On Windows a plugin imports the XPLM functions from XPLM_64.dll through an
# import library: the SDK's XPLM_64.lib when XPLM_SDK_DIR holds one, otherwise
# one made by dlltool from the functions our own headers declare.
if(WIN32)
  set(_xplm_sdk_lib "")
  if(XPLM_SDK_DIR)
    find_file(_xplm_sdk_lib XPLM_64.lib PATHS ${XPLM_SDK_DIR}/Libraries/Win ${XPLM_SDK_DIR}
      NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  endif()
  add_library(volax_xplm_import INTERFACE)
  if(_xplm_sdk_lib)
    target_link_libraries(volax_xplm_import INTERFACE ${_xplm_sdk_lib})
  else()
    file(GLOB _xplm_headers ${CMAKE_SOURCE_DIR}/xplm/*.h)
    set(_xplm_names "")
    foreach(_h ${_xplm_headers})
      file(STRINGS ${_h} _decls REGEX "^XPLM_API[^(]*[ *][A-Za-z_][A-Za-z0-9_]*[ ]*\\(")
      foreach(_d ${_decls})
        string(REGEX REPLACE "^XPLM_API[^(]*[ *]([A-Za-z_][A-Za-z0-9_]*)[ ]*\\(.*" "\\1" _n "${_d}")
        list(APPEND _xplm_names ${_n})
      endforeach()
    endforeach()
    list(REMOVE_DUPLICATES _xplm_names)
    list(SORT _xplm_names)
    string(REPLACE ";" "\n  " _xplm_exports "${_xplm_names}")
    set(_xplm_def ${CMAKE_BINARY_DIR}/xplm/XPLM_64.def)
    file(WRITE ${_xplm_def}.in "LIBRARY XPLM_64.dll\nEXPORTS\n  ${_xplm_exports}\n")
    configure_file(${_xplm_def}.in ${_xplm_def} COPYONLY)
    set(_xplm_implib ${CMAKE_BINARY_DIR}/xplm/libXPLM_64.dll.a)
    add_custom_command(OUTPUT ${_xplm_implib}
      COMMAND ${CMAKE_DLLTOOL} -d ${_xplm_def} -D XPLM_64.dll -l ${_xplm_implib}
      DEPENDS ${_xplm_def}
      COMMENT "Import library for XPLM_64.dll from our XPLM declarations")
    add_custom_target(volax_xplm_implib DEPENDS ${_xplm_implib})
    add_dependencies(volax_xplm_import volax_xplm_implib)
    target_link_libraries(volax_xplm_import INTERFACE ${_xplm_implib})
    list(LENGTH _xplm_names _n)
    message(STATUS "XPLM_64.def: ${_n} functions from xplm/*.h")
  endif()
endif()
