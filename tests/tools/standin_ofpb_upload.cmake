# The stand-in probe gateway's check of an upload's data, natively on the host.
find_program(KESTRUM_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(KESTRUM_PYTHON NAMES python3)
add_test(NAME tools_standin_ofpb_upload_test COMMAND ${KESTRUM_PYTHON} ${TEST_DIR}/standin_ofpb_upload_test.py)
set_tests_properties(tools_standin_ofpb_upload_test PROPERTIES TIMEOUT 60)
