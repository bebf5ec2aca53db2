# The set-up's reading of the machine's apt sources (kestrum), natively: no Wine, no apt.
find_program(KESTRUM_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(KESTRUM_PYTHON NAMES python3)
add_test(NAME tools_apt_sources_test COMMAND ${KESTRUM_PYTHON} ${TEST_DIR}/apt_sources_test.py)
set_tests_properties(tools_apt_sources_test PROPERTIES TIMEOUT 120)
