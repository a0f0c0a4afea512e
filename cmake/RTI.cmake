# Defines volax::rti, the one target product code links to reach an HLA 1.3 RTI.
# Default: the embedded RTI (rti/). With -DRTI_ROOT=<prefix>: that installation's
# RTI.hh and libRTI-NG (plus libFedTime when present).
#
# VOLAX_OWN_RTI tells tests whether our RTI's own test hooks are available.

if(RTI_ROOT)
  set(VOLAX_OWN_RTI OFF)
  find_path(VOLAX_RTI_INCLUDE_DIR RTI.hh
    PATHS ${RTI_ROOT}/include
    PATH_SUFFIXES . RTI13 hla-1_3 rti13 HLA13 hla13
    NO_DEFAULT_PATH)
  if(NOT VOLAX_RTI_INCLUDE_DIR)
    message(FATAL_ERROR "RTI_ROOT=${RTI_ROOT}: no RTI.hh under ${RTI_ROOT}/include")
  endif()
  find_library(VOLAX_RTI_NG_LIBRARY NAMES RTI-NG RTI-NG_64 PATHS ${RTI_ROOT}/lib ${RTI_ROOT}/lib64
    PATH_SUFFIXES . gcc4 NO_DEFAULT_PATH)
  if(NOT VOLAX_RTI_NG_LIBRARY)
    message(FATAL_ERROR "RTI_ROOT=${RTI_ROOT}: no libRTI-NG under ${RTI_ROOT}/lib")
  endif()
  find_library(VOLAX_FEDTIME_LIBRARY NAMES FedTime FedTime_64 PATHS ${RTI_ROOT}/lib ${RTI_ROOT}/lib64
    PATH_SUFFIXES . gcc4 NO_DEFAULT_PATH)
  add_library(volax_rti INTERFACE)
  target_include_directories(volax_rti INTERFACE ${VOLAX_RTI_INCLUDE_DIR})
  target_link_libraries(volax_rti INTERFACE ${VOLAX_RTI_NG_LIBRARY})
  if(VOLAX_FEDTIME_LIBRARY)
    target_link_libraries(volax_rti INTERFACE ${VOLAX_FEDTIME_LIBRARY})
  endif()
  get_filename_component(VOLAX_RTI_LIBDIR ${VOLAX_RTI_NG_LIBRARY} DIRECTORY)
  add_library(volax::rti ALIAS volax_rti)
  message(STATUS "Building against the RTI in ${RTI_ROOT} (${VOLAX_RTI_INCLUDE_DIR}, ${VOLAX_RTI_NG_LIBRARY})")
else()
  set(VOLAX_OWN_RTI ON)
  # volax::rti is defined by rti/CMakeLists.txt as an alias of RTI-NG.
endif()
