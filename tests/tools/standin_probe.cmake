# The stand-in's probe gateway and traffic data service (tools/standin/services), natively.
find_program(KESTRUM_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(KESTRUM_PYTHON NAMES python3)
add_test(NAME tools_standin_probe_test COMMAND ${KESTRUM_PYTHON} ${TEST_DIR}/standin_probe_test.py)
set_tests_properties(tools_standin_probe_test PROPERTIES TIMEOUT 120)
