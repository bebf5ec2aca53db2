# The stand-in services themselves (tools/standin), natively on the host: no Wine.
# Debian's python3 first (the set-up installs it); any python3 on the PATH otherwise.
find_program(KESTRUM_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(KESTRUM_PYTHON NAMES python3)
add_test(NAME tools_standin_test COMMAND ${KESTRUM_PYTHON} ${TEST_DIR}/standin_test.py)
set_tests_properties(tools_standin_test PROPERTIES TIMEOUT 120)
