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

# Every test program, so that a build for the tests alone (the ThreadSanitizer
# build) makes nothing else.
add_custom_target(zumr_tests)

# zumr_add_test(name SOURCES ... [DEPS ...] [THREADS] [E2E])
# THREADS marks a test that also runs under ThreadSanitizer; the ThreadSanitizer
# build builds only those. CTest labels, so anyone can pick (ctest -L e2e):
#   unit  the code alone, in memory or on files in a temporary folder;
#   e2e   talks to a server on 127.0.0.1 and runs workers or programs end to
#         end: every program that links the test server or the demo site;
#   qt    drives the Qt window; wine runs under Wine (the Windows build);
#   tsan  built with ThreadSanitizer.
# E2E marks an end-to-end test that links neither.
function(zumr_add_test name)
  cmake_parse_arguments(ARG "THREADS;E2E" "" "SOURCES;DEPS" ${ARGN})
  if(ZUMR_SANITIZE STREQUAL "thread" AND NOT ARG_THREADS)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE ZUMR_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  zumr_warnings(${name})
  add_dependencies(zumr_tests ${name})
  if(zumr_transfer_testkit IN_LIST ARG_DEPS OR zumr_demo_site IN_LIST ARG_DEPS OR ARG_E2E)
    set(labels e2e)
  else()
    set(labels unit)
  endif()
  if(zumr_ui_qt IN_LIST ARG_DEPS)
    list(APPEND labels qt)
  endif()
  if(WIN32)
    list(APPEND labels wine)
  endif()
  if(ZUMR_SANITIZE STREQUAL "thread")
    list(APPEND labels tsan)
  endif()
  if(WIN32)
    # One Wine start per program: a start per case would cost more than the cases.
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 300 LABELS "${labels}"
                         ENVIRONMENT ZUMR_WINEPREFIX=${ZUMR_WINEPREFIX})
  else()
    # A discovered test's property takes one value, so e2e or unit goes there
    # and the other labels (qt, tsan) to every test of the folder.
    list(POP_FRONT labels first)
    get_property(folder DIRECTORY PROPERTY LABELS)
    list(APPEND folder ${labels})
    list(REMOVE_DUPLICATES folder)
    set_property(DIRECTORY PROPERTY LABELS ${folder})
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT 300 LABELS ${first})
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
