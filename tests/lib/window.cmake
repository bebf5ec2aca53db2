kestrum_test(lib_window_test
    SOURCES ${TEST_DIR}/WindowTest.cpp ${TEST_DIR}/WfcRuntimeTest.cpp
    LIBS kestrum_wfc kestrum_lib
    TIMEOUT 120)
