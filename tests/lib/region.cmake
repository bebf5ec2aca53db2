# Regions cut from images and the region window.
kestrum_test(lib_region_test SOURCES ${TEST_DIR}/RegionTest.cpp LIBS kestrum_wfc kestrum_lib TIMEOUT 180)
