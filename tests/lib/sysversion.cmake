kestrum_test(lib_sysversion_test SOURCES ${TEST_DIR}/SystemVersionTest.cpp LIBS kestrum_lib)
kestrum_test_helper(lib_sysversion_child SOURCES ${TEST_DIR}/SystemVersionChild.cpp
                    LIBS kestrum_lib)
add_dependencies(lib_sysversion_test lib_sysversion_child)
