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
target_compile_definitions(volax_xplm INTERFACE APL=0 IBM=0 LIN=1
  XPLM200=1 XPLM210=1 XPLM300=1 XPLM301=1 XPLM302=1 XPLM303=1)
add_library(volax::xplm ALIAS volax_xplm)
