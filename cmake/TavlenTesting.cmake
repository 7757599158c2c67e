# tavlen_add_test(name SOURCES ... LIBS ...): one GoogleTest executable registered with CTest.
find_package(GTest REQUIRED)
include(GoogleTest)

function(tavlen_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} tavlen::options GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE TAVLEN_TESTDATA_DIR="${PROJECT_SOURCE_DIR}/../shared/testdata"
                                             TAVLEN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()
