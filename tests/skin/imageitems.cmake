# The static image, change image, animation and drop-target items.
kestrum_test(skin_image_items_test
    SOURCES ${TEST_DIR}/SkinImageItemsTest.cpp
    LIBS kestrum_skintestsupport kestrum_testsupport kestrum_skin kestrum_wfc kestrum_lib
    TIMEOUT 120)
kestrum_skin_resources(skin_image_items_test skintest product)
kestrum_test(skin_drop_window_test
    SOURCES ${TEST_DIR}/SkinDropWindowTest.cpp
    LIBS kestrum_skintestsupport kestrum_testsupport kestrum_skin kestrum_wfc kestrum_lib
    TIMEOUT 120)
kestrum_skin_resources(skin_drop_window_test skintest)
