# Every test runs under Wine in one environment per ctest run (prefix, HOME, virtual display),
# brought up and torn down by a CTest fixture.
set(PV_TEST_ENV ${CMAKE_BINARY_DIR}/test-env)
set(PV_HARNESS ${CMAKE_SOURCE_DIR}/tests/harness)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PV_HARNESS}/wine-run ${PV_TEST_ENV})

# A 64-bit build is tested in a 64-bit prefix: the test build where 32-bit programs cannot run.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(PV_WINE_ARCH win64)
else()
  set(PV_WINE_ARCH win32)
endif()
add_test(NAME wine_env_up COMMAND ${PV_HARNESS}/env-up ${PV_TEST_ENV} ${PV_WINE_ARCH})
add_test(NAME wine_env_down COMMAND ${PV_HARNESS}/env-down ${PV_TEST_ENV})
set_tests_properties(wine_env_up PROPERTIES FIXTURES_SETUP wine_env TIMEOUT 120)
set_tests_properties(wine_env_down PROPERTIES FIXTURES_CLEANUP wine_env)

# pv_add_test(NAME <name> COMMAND <target> [args...] [DESKTOP])
# DESKTOP: the test creates or changes top-level windows; such tests run one at a time
# because an engine sweeps every window on the display.
function(pv_add_test)
  cmake_parse_arguments(T "DESKTOP" "NAME" "COMMAND" ${ARGN})
  add_test(NAME ${T_NAME} COMMAND ${T_COMMAND})
  set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wine_env)
  if(T_DESKTOP)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK desktop)
  endif()
endfunction()
