kestrum_test(lib_strings_test
    SOURCES ${TEST_DIR}/StringUtilityTest.cpp ${TEST_DIR}/RefStringTest.cpp
            ${TEST_DIR}/ExceptionTest.cpp
    LIBS kestrum_lib)
