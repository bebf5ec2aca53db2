kestrum_test(lib_log_test
    SOURCES ${TEST_DIR}/LogTest.cpp ${TEST_DIR}/LogTestVersion.rc
    LIBS kestrum_lib)
# Scenarios that need a process of their own: the log settings are set once per process.
kestrum_test_helper(lib_log_child
    SOURCES ${TEST_DIR}/LogChild.cpp ${TEST_DIR}/LogTestVersion.rc
    LIBS kestrum_lib)
