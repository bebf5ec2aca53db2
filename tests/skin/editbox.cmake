# The edit box item over real controls on a test window.
kestrum_test(skin_edit_box_test
    SOURCES ${TEST_DIR}/SkinEditBoxTest.cpp
    LIBS kestrum_skinitemtestsupport kestrum_skintestsupport kestrum_testsupport kestrum_skin
         kestrum_wfc kestrum_lib
    TIMEOUT 240)
kestrum_skin_resources(skin_edit_box_test skintest)
# It sets and reads the cursor of the session.
set_tests_properties(skin_edit_box_test PROPERTIES RESOURCE_LOCK mouse_cursor)
