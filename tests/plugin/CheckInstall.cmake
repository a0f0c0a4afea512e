# Installs the build into a scratch prefix and checks the X-Plane layout:
# the plugin and its RTI side by side, found through RUNPATH $ORIGIN, the FED
# file at the root, and the traffic model table in the plugin's folder with
# every model it names.  cmake -DBUILD_DIR=... -DPREFIX=... -DOWN_RTI=ON|OFF -P CheckInstall.cmake

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed: ${out} ${err}")
endif()

set(plugin ${PREFIX}/Resources/plugins/VOLAX/lin_x64/VOLAX.xpl)
# The geoid grid beside the plugin: X-Plane's heights are above mean sea level.
foreach(f ${plugin} ${PREFIX}/XP_Federation.fed ${PREFIX}/Resources/plugins/VOLAX/egm96_15.gtx)
  if(NOT EXISTS ${f})
    message(FATAL_ERROR "missing after install: ${f}")
  endif()
endforeach()

set(models_ini ${PREFIX}/Resources/plugins/VOLAX/volaxmodels.ini)
if(NOT EXISTS ${models_ini})
  message(FATAL_ERROR "missing after install: ${models_ini}")
endif()
file(STRINGS ${models_ini} rules REGEX "^[ \t]*[0-9*]")
list(LENGTH rules nrules)
if(nrules LESS 6)
  message(FATAL_ERROR "volaxmodels.ini has ${nrules} rules; expected one per shipped model at least")
endif()
foreach(rule ${rules})
  # Seven fields, then the path (CMake regular expressions have no {7}).
  set(field "[0-9*]+[ \t]+")
  string(REGEX REPLACE "^[ \t]*${field}${field}${field}${field}${field}${field}${field}" "" path "${rule}")
  string(STRIP "${path}" path)
  if(NOT EXISTS ${PREFIX}/${path})
    message(FATAL_ERROR "volaxmodels.ini names ${path}, which is not installed")
  endif()
endforeach()
foreach(m aircraft helicopter ground_vehicle ship munition person)
  if(NOT EXISTS ${PREFIX}/Resources/plugins/VOLAX/models/volax_${m}.obj)
    message(FATAL_ERROR "model volax_${m}.obj is not installed")
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
