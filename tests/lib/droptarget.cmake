kestrum_test(lib_droptarget_test SOURCES ${TEST_DIR}/DropTargetTest.cpp LIBS kestrum_lib TIMEOUT 180)
