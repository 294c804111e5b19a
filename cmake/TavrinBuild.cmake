# Project-wide compile flags and the helpers every folder uses to declare
# its library, tests and tools.

add_compile_options(-Wall -Wextra -Wmissing-declarations
                    # Fused multiply-add changes results; the simulation
                    # must give the same states on every build.
                    -ffp-contract=off)
if(TAVRIN_WERROR)
  add_compile_options(-Werror)
endif()
if(TAVRIN_FUZZ)
  # Libraries get coverage instrumentation; each target links the fuzzer.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(TAVRIN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# tavrin_library(NAME SOURCES ... [DEPS ...])
# One static library per subsystem; its public headers are included as
# "subsystem/header.h" from the src folder.
function(tavrin_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# tavrin_test(NAME SOURCES ... [DEPS ...])
# A GoogleTest program registered case by case with CTest. Tests run in
# the build folder so the generated data set is at hand.
function(tavrin_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
      TAVRIN_FIXTURES="${PROJECT_SOURCE_DIR}/tests/fixtures"
      TAVRIN_BUILD_DIR="${CMAKE_BINARY_DIR}")
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
                       DISCOVERY_TIMEOUT 60
                       PROPERTIES LABELS "${ARG_LABELS}")
endfunction()

# tavrin_fuzz_target(NAME SOURCES ... [DEPS ...])
# A libFuzzer program, run by CTest for a bounded time; any finding fails.
set(TAVRIN_FUZZ_SECONDS 20 CACHE STRING "How long CTest runs each fuzz target")
function(tavrin_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  add_test(NAME ${name}
           COMMAND ${name} -max_total_time=${TAVRIN_FUZZ_SECONDS} -rss_limit_mb=2048
                   -print_final_stats=0
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()
