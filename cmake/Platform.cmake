# The platform the X-Plane headers are compiled for follows the target, so a
# cross-build gets IBM=1 without anyone saying so.
if(WIN32)
  set(VOLAX_XPLM_PLATFORM APL=0 IBM=1 LIN=0)
  set(VOLAX_PLUGIN_ARCH win_x64)
elseif(APPLE)
  set(VOLAX_XPLM_PLATFORM APL=1 IBM=0 LIN=0)
  set(VOLAX_PLUGIN_ARCH mac_x64)
else()
  set(VOLAX_XPLM_PLATFORM APL=0 IBM=0 LIN=1)
  set(VOLAX_PLUGIN_ARCH lin_x64)
endif()
set(VOLAX_XPLM_VERSIONS XPLM200=1 XPLM210=1 XPLM300=1 XPLM301=1 XPLM302=1 XPLM303=1)
