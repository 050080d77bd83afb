# The browser tests as one ctest test, so that `make test-web` ends with
# ctest's summary like the desktop passes. Copied into the web build folder
# and run there; WEB_BUILD and BUILD come from the Makefile.
add_test(Browser.PlaysInChromium "$ENV{WEDGEWISE_SOURCE}/tests/web/run.sh" test)
set_tests_properties(Browser.PlaysInChromium PROPERTIES TIMEOUT 900)
