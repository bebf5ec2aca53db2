kestrum_test(lib_paths_test SOURCES ${TEST_DIR}/PathTest.cpp LIBS kestrum_lib)
kestrum_test_helper(lib_paths_child SOURCES ${TEST_DIR}/PathChild.cpp LIBS kestrum_lib)
# The folder cache is process-wide, so its own cases run in a process of their own.
kestrum_test(lib_appfolder_test SOURCES ${TEST_DIR}/AppFolderTest.cpp LIBS kestrum_lib)
