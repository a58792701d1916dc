# paddock_test(NAME n SOURCES s... [LIBS l...] [LABELS x...])
# Builds one GoogleTest executable and registers each of its cases with CTest.
# Labels: "unit" (fast, no GL), "gl" (needs a headless GL ES context),
# "e2e" (drives a built binary), "slow" (left out of the sanitizer run).
find_package(GTest REQUIRED)
include(GoogleTest)

function(paddock_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # Tests find resources the way the program does, beside their executable.
  if(TARGET paddock_resources)
    add_dependencies(${T_NAME} paddock_resources)
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    PROPERTIES LABELS "${T_LABELS}" TIMEOUT 300)
endfunction()

# paddock_benchmark(NAME n SOURCES s... [LIBS l...])
# A Google Benchmark program in build/bin; not part of the test suite.
find_package(benchmark REQUIRED)
function(paddock_benchmark)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark)
endfunction()
