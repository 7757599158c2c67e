# Warnings and sanitizers for every target of the project.
add_library(tavlen_options INTERFACE)
add_library(tavlen::options ALIAS tavlen_options)
target_compile_options(tavlen_options INTERFACE -Wall -Wextra)
target_include_directories(tavlen_options INTERFACE ${PROJECT_SOURCE_DIR})
if(TAVLEN_WERROR)
  target_compile_options(tavlen_options INTERFACE -Werror)
endif()
if(TAVLEN_SANITIZE OR TAVLEN_FUZZ)
  target_compile_options(tavlen_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=undefined
                                                  -fno-omit-frame-pointer)
  target_link_options(tavlen_options INTERFACE -fsanitize=address,undefined)
endif()
if(TAVLEN_FUZZ)
  # Everything is instrumented for coverage; only the fuzzer executables link libFuzzer's main, so the
  # tests of the same tree can run as a sanitizer build.
  target_compile_options(tavlen_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
