kestrum_test(lib_menu_test SOURCES ${TEST_DIR}/ContextMenuTest.cpp LIBS kestrum_wfc TIMEOUT 180)
