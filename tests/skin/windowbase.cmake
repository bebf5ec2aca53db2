# The application window base (item keys, frame overlay, end of session) and the skinned
# message box with its icon item. The boxes are real windows shown and activated under Xvfb;
# tools/wine-prefix runs their test unmanaged, so that each goes at once instead of after
# Wine's wait of about 2 s for a window manager (the bound allows for that wait).
kestrum_test(skin_window_base_test
    SOURCES ${TEST_DIR}/WindowBaseTest.cpp
    LIBS kestrum_skinitemtestsupport kestrum_skintestsupport kestrum_testsupport kestrum_skin
         kestrum_wfc kestrum_lib
    TIMEOUT 120)
kestrum_skin_resources(skin_window_base_test skintest)
kestrum_test(skin_message_box_test
    SOURCES ${TEST_DIR}/MessageBoxTest.cpp
    LIBS kestrum_skintestsupport kestrum_testsupport kestrum_skin kestrum_wfc kestrum_lib
    TIMEOUT 120)
kestrum_skin_resources(skin_message_box_test product)
