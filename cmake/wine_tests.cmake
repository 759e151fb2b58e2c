# SPDX-License-Identifier: MIT
# The Windows build's end-to-end tests under wine share one wine prefix and
# one wine server, which is what enforces one run's exclusive hold on
# primes.txt against another. The prefix is made once before the tests, and
# the server is ended after them.
if(NOT SIEVEBENCH_WINE_ENVIRONMENT)
  message(FATAL_ERROR "the Windows tests run under wine: use cmake/toolchains/windows-x86_64.cmake")
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
