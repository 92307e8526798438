# GoogleTest from Debian's source package, for the native and the Windows build.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(CMAKE_POLICY_DEFAULT_CMP0077 NEW)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# qm_add_test(NAME SOURCES... [LIBS ...] [TIMEOUT seconds])
# One test executable, registered with CTest as one test; on Windows it runs under Wine.
function(qm_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QM_WINE_TIMEOUT=${T_TIMEOUT};QM_BUILD_DIR=${CMAKE_BINARY_DIR}")
endfunction()

# qm_add_fuzz_target(NAME LIBS...)
# A libFuzzer target built from NAME.cpp, with a short smoke run over its committed seeds
# (corpus/NAME beside the source). New inputs go to a folder in the build tree, so the
# committed corpus is only read. scripts/fuzz.sh runs every fuzz_* target for longer.
function(qm_add_fuzz_target name)
  add_executable(${name} ${name}.cpp)
  target_link_libraries(${name} PRIVATE ${ARGN})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(found ${CMAKE_CURRENT_BINARY_DIR}/${name}_found)
  file(MAKE_DIRECTORY ${found})
  add_test(NAME ${name}_smoke
           COMMAND ${name} -max_total_time=15 ${found} ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
  set_tests_properties(${name}_smoke PROPERTIES TIMEOUT 90)
endfunction()
