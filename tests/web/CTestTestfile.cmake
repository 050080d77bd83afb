# The browser tests as ctest tests, one per browser, so that `make test-web`
# ends with ctest's summary like the desktop passes. Copied into the web build
# folder and run there; WEB_BUILD and BUILD come from the Makefile.
add_test(Browser.PlaysInChromium "$ENV{WEDGEWISE_SOURCE}/tests/web/run.sh" test chromium)
set_tests_properties(Browser.PlaysInChromium PROPERTIES TIMEOUT 900)
add_test(Browser.PlaysInFirefox "$ENV{WEDGEWISE_SOURCE}/tests/web/run.sh" test firefox)
set_tests_properties(Browser.PlaysInFirefox PROPERTIES TIMEOUT 900)
