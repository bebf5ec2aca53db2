# The Wine harness's own failures (tools/wine-prefix, tools/wine-session, ./kestrum test's
# last line), natively with stand-ins of Wine's programs: a real Xvfb, no Wine.
find_program(KESTRUM_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(KESTRUM_PYTHON NAMES python3)
add_test(NAME tools_harness_test COMMAND ${KESTRUM_PYTHON} ${TEST_DIR}/harness_test.py)
set_tests_properties(tools_harness_test PROPERTIES TIMEOUT 180)
