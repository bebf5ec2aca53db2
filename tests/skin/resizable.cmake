# The resizable skin window with its layout manager and nine-grid drawing, and the framed
# items (resizable static image, overlay).
kestrum_test(skin_resizable_test
    SOURCES ${TEST_DIR}/ResizableSkinWindowTest.cpp ${TEST_DIR}/LayoutManagerTest.cpp
            ${TEST_DIR}/NineGridTest.cpp ${TEST_DIR}/FramedItemsTest.cpp
    LIBS kestrum_skintestsupport kestrum_testsupport kestrum_skin kestrum_wfc kestrum_lib
    TIMEOUT 120
    LOCKS mouse_cursor)
kestrum_skin_resources(skin_resizable_test skintest)
