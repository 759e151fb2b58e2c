# SPDX-License-Identifier: MIT
# The Windows build's end-to-end tests under wine share one wine prefix and
# one wine server, which is what enforces one run's exclusive hold on
# primes.txt against another. The prefix is made once before the tests, and
# the server is ended after them.
if(NOT SIEVEBENCH_WINE_ENVIRONMENT)
  message(FATAL_ERROR "the Windows tests run under wine: use cmake/toolchains/windows-x86_64.cmake or windows-i686.cmake")
endif()
add_test(NAME WinePrefix COMMAND env ${SIEVEBENCH_WINE_ENVIRONMENT}
  sh -c "'${SIEVEBENCH_WINE}' wineboot --init && '${SIEVEBENCH_WINESERVER}' -w")
# A server with nothing left to serve ends by itself a few seconds after the
# last run, and -k then fails for want of one: that is no failure here.
add_test(NAME WineServerEnd COMMAND env ${SIEVEBENCH_WINE_ENVIRONMENT}
  sh -c "'${SIEVEBENCH_WINESERVER}' -k 2>/dev/null || true")
set_tests_properties(WinePrefix PROPERTIES FIXTURES_SETUP Wine)
set_tests_properties(WineServerEnd PROPERTIES FIXTURES_CLEANUP Wine)
set_tests_properties(EndToEndThroughLauncher PROPERTIES FIXTURES_REQUIRED Wine)

# The Windows sweep and compare under wine, beside the Linux build's: a
# benchmark that never ends is built here for the time-out.
add_executable(sievebench-hang ${PROJECT_SOURCE_DIR}/tests/support/hanging_benchmark.cpp)
get_filename_component(host_tests_dir ${SIEVEBENCH_HOST_TESTS} DIRECTORY)
get_filename_component(host_build_dir ${host_tests_dir} DIRECTORY)
add_test(NAME WindowsToolset COMMAND env ${SIEVEBENCH_WINE_ENVIRONMENT} SIEVEBENCH_WINE=${SIEVEBENCH_WINE}
  ${PROJECT_SOURCE_DIR}/tests/e2e/windows_toolset.sh ${PROJECT_BINARY_DIR} ${host_build_dir} $<TARGET_FILE:sievebench-hang>)
set_tests_properties(WindowsToolset PROPERTIES FIXTURES_REQUIRED Wine)
