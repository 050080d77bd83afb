# The browser tests as ctest tests, so that `make test-web` ends with ctest's
# summary like the desktop passes: the play-through by mouse and the tests of
# records, failures, pausing and offline play in each browser, and the touch
# tests in chromium (whose emulation of a touch screen they need). Copied into
# the web build folder and run there; WEB_BUILD and BUILD come from the Makefile.
add_test(Browser.PlaysInChromium "$ENV{WEDGEWISE_SOURCE}/tests/web/run.sh" test browser chromium)
add_test(Browser.ByTouch "$ENV{WEDGEWISE_SOURCE}/tests/web/run.sh" test touch chromium)
add_test(Browser.RecordsFailuresAndOffline "$ENV{WEDGEWISE_SOURCE}/tests/web/run.sh" test trust chromium)
add_test(Browser.PlaysInFirefox "$ENV{WEDGEWISE_SOURCE}/tests/web/run.sh" test browser firefox)
add_test(Browser.RecordsFailuresAndOfflineInFirefox "$ENV{WEDGEWISE_SOURCE}/tests/web/run.sh" test trust firefox)
set_tests_properties(Browser.PlaysInChromium Browser.RecordsFailuresAndOffline
  Browser.PlaysInFirefox Browser.RecordsFailuresAndOfflineInFirefox
  PROPERTIES TIMEOUT 1800 RUN_SERIAL TRUE)
# Three devices each play the training level through: on a loaded 2-core
# machine that has taken 25 minutes.
set_tests_properties(Browser.ByTouch PROPERTIES TIMEOUT 3600 RUN_SERIAL TRUE)
