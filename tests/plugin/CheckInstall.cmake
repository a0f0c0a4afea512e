# Installs the build into a scratch prefix and checks the X-Plane layout:
# the plugin and its RTI side by side, found through RUNPATH $ORIGIN, and the
# FED file at the root.  cmake -DBUILD_DIR=... -DPREFIX=... -DOWN_RTI=ON|OFF -P CheckInstall.cmake

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed: ${out} ${err}")
endif()

set(plugin ${PREFIX}/Resources/plugins/VOLAX/lin_x64/VOLAX.xpl)
foreach(f ${plugin} ${PREFIX}/XP_Federation.fed)
  if(NOT EXISTS ${f})
    message(FATAL_ERROR "missing after install: ${f}")
  endif()
endforeach()

execute_process(COMMAND readelf -d ${plugin} OUTPUT_VARIABLE dyn RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "readelf failed on ${plugin}")
endif()
if(NOT dyn MATCHES "R(UN)?PATH[^\n]*\\$ORIGIN")
  message(FATAL_ERROR "VOLAX.xpl has no $ORIGIN run path:\n${dyn}")
endif()

if(OWN_RTI)
  file(GLOB rti ${PREFIX}/Resources/plugins/VOLAX/lin_x64/libRTI-NG.so*)
  if(NOT rti)
    message(FATAL_ERROR "libRTI-NG.so is not installed beside the plugin")
  endif()
  # Every library the plugin needs resolves, the RTI from the plugin's folder.
  execute_process(COMMAND ldd ${plugin} OUTPUT_VARIABLE deps)
  if(deps MATCHES "not found")
    message(FATAL_ERROR "unresolved libraries:\n${deps}")
  endif()
  if(NOT deps MATCHES "libRTI-NG[^\n]*=> ${PREFIX}/Resources/plugins/VOLAX/lin_x64/")
    message(FATAL_ERROR "the RTI does not come from the plugin's folder:\n${deps}")
  endif()
endif()
file(REMOVE_RECURSE ${PREFIX})
