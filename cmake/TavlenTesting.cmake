# tavlen_add_test(name SOURCES ... LIBS ... [THREADS]): one GoogleTest executable registered with CTest.
# THREADS marks a test whose code starts threads: its tests get the label "threads", and the executable
# is part of tavlen_thread_tests, which the ThreadSanitizer build builds and runs alone.
find_package(GTest REQUIRED)
# Measured per test executable: clang builds the header in 4 s and saves about 3 s a test file; gcc with
# -g takes 12 s and saves 2 s a file, less than it costs at five files a test, so it is clang's default.
# ccache caches files built with a precompiled header only with `sloppiness = pch_defines,time_macros`.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  option(TAVLEN_PCH "Precompile GoogleTest's headers for the test executables" ON)
else()
  option(TAVLEN_PCH "Precompile GoogleTest's headers for the test executables" OFF)
endif()
include(GoogleTest)

function(tavlen_add_test name)
  cmake_parse_arguments(ARG "THREADS" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} tavlen::options GTest::gtest GTest::gmock GTest::gtest_main)
  # GoogleTest's and GoogleMock's headers take about four CPU seconds to parse, more than most test files.
  if(TAVLEN_PCH)
    target_precompile_headers(${name} PRIVATE <gtest/gtest.h> <gmock/gmock.h>)
  endif()
  target_compile_definitions(${name} PRIVATE TAVLEN_TESTDATA_DIR="${PROJECT_SOURCE_DIR}/../shared/testdata"
                                             TAVLEN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(ARG_THREADS)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 LABELS threads)
    add_dependencies(tavlen_thread_tests ${name})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  endif()
endfunction()
add_custom_target(tavlen_thread_tests)
