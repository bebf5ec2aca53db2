kestrum_test(lib_tooltip_test SOURCES ${TEST_DIR}/TooltipActivatorTest.cpp LIBS kestrum_wfc TIMEOUT 180)
