# The scroll bar item, on a fake accessor and on a skin window.
kestrum_test(skin_scrollbar_test
    SOURCES ${TEST_DIR}/SkinScrollBarTest.cpp
    LIBS kestrum_skintestsupport kestrum_testsupport kestrum_skin kestrum_wfc kestrum_lib
    TIMEOUT 120)
kestrum_skin_resources(skin_scrollbar_test skintest product)
