# Device context, bitmap and font owners, the state saver and the default font.
kestrum_test(lib_dc_test SOURCES ${TEST_DIR}/DCTest.cpp LIBS kestrum_wfc kestrum_lib TIMEOUT 180)
