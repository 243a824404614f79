# Shared build settings and helpers for every zumr target.

if(ZUMR_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined)
elseif(ZUMR_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(ZUMR_SANITIZE)
  message(FATAL_ERROR "ZUMR_SANITIZE must be empty, 'address' or 'thread'")
endif()

if(ZUMR_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ZUMR_FUZZ needs clang")
  endif()
  # Coverage for the fuzzers in every library they reach.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Warnings for the project's own code only; errors when ZUMR_WERROR is on.
function(zumr_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra $<$<BOOL:${ZUMR_WERROR}>:-Werror>)
endfunction()

# zumr_add_library(name SOURCES ... [DEPS ...])
function(zumr_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  zumr_warnings(${name})
endfunction()

include(GoogleTest)

# zumr_add_test(name SOURCES ... [DEPS ...] [THREADS])
# THREADS marks a test that also runs under ThreadSanitizer; the ThreadSanitizer
# build builds only those.
function(zumr_add_test name)
  cmake_parse_arguments(ARG "THREADS" "" "SOURCES;DEPS" ${ARGN})
  if(ZUMR_SANITIZE STREQUAL "thread" AND NOT ARG_THREADS)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE ZUMR_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  zumr_warnings(${name})
  if(WIN32)
    # One Wine start per program: a start per case would cost more than the cases.
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 300 ENVIRONMENT ZUMR_WINEPREFIX=${ZUMR_WINEPREFIX})
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT 300)
  endif()
endfunction()

# zumr_add_fuzz(name [DEPS ...] [SEEDS dir ...]): the libFuzzer target `name`
# built from name.cpp, plus a short run in CTest that fails on any finding. The
# run keeps what it finds in a corpus under the build tree, so a long series of
# short runs adds up; deleting the build tree starts over from the seeds.
set(ZUMR_FUZZ_SECONDS 20 CACHE STRING "Length of each fuzz smoke run in CTest")
function(zumr_add_fuzz name)
  cmake_parse_arguments(ARG "" "" "DEPS;SEEDS" ${ARGN})
  add_executable(${name} ${name}.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  zumr_warnings(${name})
  add_test(NAME ${name}_smoke
           COMMAND ${PROJECT_SOURCE_DIR}/fuzz/run_smoke.sh $<TARGET_FILE:${name}>
                   ${CMAKE_CURRENT_BINARY_DIR}/${name}_work ${ZUMR_FUZZ_SECONDS} ${ARG_SEEDS})
  set_tests_properties(${name}_smoke PROPERTIES TIMEOUT 300 LABELS fuzz)
endfunction()

# zumr_add_bench(name SOURCES ... [DEPS ...])
function(zumr_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  zumr_warnings(${name})
endfunction()
