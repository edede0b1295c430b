# Shared build rules for the project's own targets.

# Warnings are errors in our own code (not in the libraries we use).
function(halcyra_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# halcyra_library(name [DEPS lib...]): lib/<name> with include/ (public) and source/ (every .cpp below it).
function(halcyra_library name)
  cmake_parse_arguments(L "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/source/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  target_link_libraries(${name} PUBLIC ${L_DEPS})
  halcyra_defaults(${name})
endfunction()

# halcyra_test(name SOURCES file... LIBS lib... [GL]): one GoogleTest program, each case its own CTest test.
# GL tests need DISPLAY (one shared Xvfb) and run without leak checking: the GL driver's own
# allocations would be reported otherwise.
function(halcyra_test name)
  cmake_parse_arguments(T "GL" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE HALCYRA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  halcyra_defaults(${name})
  if(T_GL)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0" LABELS gl)
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# halcyra_fuzzer(name SOURCES file... LIBS lib...): a libFuzzer target; its seed corpus is fuzz/corpus/<name>.
function(halcyra_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/fuzz)
  halcyra_defaults(${name})
  add_dependencies(fuzzers ${name})
endfunction()
