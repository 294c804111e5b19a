# Project-wide compile flags and the helpers every folder uses to declare
# its library, tests and tools.

add_compile_options(-Wall -Wextra -Wmissing-declarations
                    # Fused multiply-add changes results; the simulation
                    # must give the same states on every build.
                    -ffp-contract=off)
if(TAVRIN_WERROR)
  add_compile_options(-Werror)
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
