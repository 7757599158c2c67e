# Runs one end-to-end case with a registry of its own: registers the modules, makes the pictures, runs
# `tavlen ARGS...` (usually `run SCRIPT WORK_DIR`) and checks the exit code and, when given, what it printed.
#   cmake -DTAVLEN=... -DMAKE_PICTURE=... [-DMAKE_PAGES=...] -DWORK_DIR=... -DMODULES=a|b -DARGS=run|x.js
#         [-DMODULES_ALONE=ON] [-DEXPECT_EXIT=n] [-DEXPECT_STDOUT=regex] [-DEXPECT_STDERR=regex] -P run_script.cmake
# MODULES_ALONE registers copies of the modules in a folder of their own, away from their companions.
# Current policies: "@WORK_DIR@" below is a plain string, not a variable reference.
cmake_minimum_required(VERSION 3.25)
if(NOT DEFINED EXPECT_EXIT)
  set(EXPECT_EXIT 0)
endif()
string(REPLACE "|" ";" MODULES "${MODULES}")
string(REPLACE "|" ";" ARGS "${ARGS}")
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(ENV{TAVLEN_REGISTRY} "${WORK_DIR}/registry")

foreach(module IN LISTS MODULES)
  if(MODULES_ALONE)
    file(COPY "${module}" DESTINATION "${WORK_DIR}/alone")
    get_filename_component(name "${module}" NAME)
    set(module "${WORK_DIR}/alone/${name}")
  endif()
  execute_process(COMMAND "${TAVLEN}" regsvr "${module}" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "tavlen regsvr ${module} failed (${rc}): ${out}${err}")
  endif()
endforeach()

foreach(picture "quadrants.png;200;150" "quadrants.bmp;200;150" "large.png;1000;800")
  list(GET picture 0 name)
  list(GET picture 1 width)
  list(GET picture 2 height)
  execute_process(COMMAND "${MAKE_PICTURE}" "${WORK_DIR}/${name}" ${width} ${height} quadrants RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "make_picture ${name} failed (${rc})")
  endif()
endforeach()

# A three-page TIFF and a three-frame GIF for the frame scripts.
if(DEFINED MAKE_PAGES)
  execute_process(COMMAND "${MAKE_PAGES}" "${WORK_DIR}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "make_pages failed (${rc})")
  endif()
endif()

string(REPLACE "@WORK_DIR@" "${WORK_DIR}" args "${ARGS}")
execute_process(COMMAND "${TAVLEN}" ${args} WORKING_DIRECTORY "${WORK_DIR}" RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
message("${out}")
if(err)
  message("stderr: ${err}")
endif()
if(NOT "${rc}" STREQUAL "${EXPECT_EXIT}")
  message(FATAL_ERROR "tavlen ${args}: exit code ${rc}, expected ${EXPECT_EXIT}")
endif()
if(DEFINED EXPECT_STDOUT AND NOT out MATCHES "${EXPECT_STDOUT}")
  message(FATAL_ERROR "standard output does not match '${EXPECT_STDOUT}'")
endif()
if(DEFINED EXPECT_STDERR AND NOT err MATCHES "${EXPECT_STDERR}")
  message(FATAL_ERROR "standard error does not match '${EXPECT_STDERR}'")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
