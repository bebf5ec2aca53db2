# The stand-in's version-up service (tools/standin/services/versionup.py), natively.
find_program(KESTRUM_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(KESTRUM_PYTHON NAMES python3)
add_test(NAME tools_standin_versionup_test
         COMMAND ${KESTRUM_PYTHON} ${TEST_DIR}/standin_versionup_test.py)
set_tests_properties(tools_standin_versionup_test PROPERTIES TIMEOUT 120)
