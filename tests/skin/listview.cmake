# The button list view: its model, input and drawing on a fake window that records what the
# list asks (tests/skin/ButtonListViewTestSupport.h), and a list on a real skin window.
kestrum_test(skin_listview_test
    SOURCES ${TEST_DIR}/ButtonListViewTest.cpp ${TEST_DIR}/ButtonListViewInputTest.cpp
            ${TEST_DIR}/ButtonListViewDrawTest.cpp ${TEST_DIR}/ButtonListViewWindowTest.cpp
            ${TEST_DIR}/ButtonListViewTestSupport.cpp
    LIBS kestrum_skinitemtestsupport kestrum_skintestsupport kestrum_testsupport kestrum_skin
         kestrum_wfc kestrum_lib
    TIMEOUT 120
    LOCKS mouse_cursor)
kestrum_skin_resources(skin_listview_test skintest)
