# Runs backend_states.js headless and with --desktop (on a private Xvfb) and checks that every saved
# client area has the same pixels in both. Prints "SKIP:" when no X server can start.
#   cmake -DTAVLEN=... -DMAKE_PICTURE=... -DWITH_XVFB=... -DSCRIPT=... -DWORK_DIR=... -DMODULE=... -P compare_backends.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/headless" "${WORK_DIR}/desktop")
set(ENV{TAVLEN_REGISTRY} "${WORK_DIR}/registry")
execute_process(COMMAND "${TAVLEN}" regsvr "${MODULE}" RESULT_VARIABLE rc OUTPUT_QUIET)
foreach(picture "quadrants.png;200;150" "large.png;1000;800")
  list(GET picture 0 name)
  list(GET picture 1 width)
  list(GET picture 2 height)
  execute_process(COMMAND "${MAKE_PICTURE}" "${WORK_DIR}/${name}" ${width} ${height} quadrants RESULT_VARIABLE rc2)
endforeach()
if(NOT rc EQUAL 0 OR NOT rc2 EQUAL 0)
  message(FATAL_ERROR "setting up failed (regsvr ${rc}, make_picture ${rc2})")
endif()

execute_process(COMMAND "${TAVLEN}" run "${SCRIPT}" "${WORK_DIR}" "${WORK_DIR}/headless" RESULT_VARIABLE rc
                ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "headless run failed (${rc}): ${err}")
endif()
execute_process(COMMAND "${WITH_XVFB}" "${TAVLEN}" run --desktop "${SCRIPT}" "${WORK_DIR}" "${WORK_DIR}/desktop"
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(rc EQUAL 77)
  message("${err}")
  return()
endif()
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "desktop run failed (${rc}): ${err}")
endif()

file(GLOB states RELATIVE "${WORK_DIR}/headless" "${WORK_DIR}/headless/*.png")
list(LENGTH states count)
if(count LESS 8)
  message(FATAL_ERROR "only ${count} states were saved")
endif()
foreach(state IN LISTS states)
  # ImageMagick's absolute-error count: the number of pixels that differ.
  execute_process(COMMAND compare -metric AE "${WORK_DIR}/headless/${state}" "${WORK_DIR}/desktop/${state}" null:
                  RESULT_VARIABLE rc ERROR_VARIABLE differing)
  if(NOT rc EQUAL 0 OR NOT differing STREQUAL "0")
    message(FATAL_ERROR "${state}: ${differing} pixels differ between the headless and the desktop backend")
  endif()
endforeach()
message("${count} states have the same pixels in both backends")
