# The browser tests as ctest tests, so that `make test-web` ends with ctest's
# summary like the desktop passes: the play-through by mouse, the touch tests
# and the tests of records, failures, pausing and offline play. Copied into
# the web build folder and run there; WEB_BUILD and BUILD come from the Makefile.
add_test(Browser.PlaysInChromium "$ENV{WEDGEWISE_SOURCE}/tests/web/run.sh" test browser)
add_test(Browser.ByTouch "$ENV{WEDGEWISE_SOURCE}/tests/web/run.sh" test touch)
add_test(Browser.RecordsFailuresAndOffline "$ENV{WEDGEWISE_SOURCE}/tests/web/run.sh" test trust)
set_tests_properties(Browser.PlaysInChromium Browser.ByTouch Browser.RecordsFailuresAndOffline
  PROPERTIES TIMEOUT 1800 RUN_SERIAL TRUE)
