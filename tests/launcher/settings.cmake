# The settings window, the delete-data window and its question box: real windows under Xvfb
# over a hidden owner, on card H:. Its boxes are shown activated, so tools/wine-prefix runs
# this program unmanaged.
kestrum_test(launcher_settings_test
    SOURCES ${TEST_DIR}/SettingsSupport.cpp ${TEST_DIR}/SettingsBoxTest.cpp
            ${TEST_DIR}/SettingsDeleteTest.cpp ${TEST_DIR}/SettingsWindowTest.cpp
            ${TEST_DIR}/SettingsCheckTest.cpp ${TEST_DIR}/SettingsCardTest.cpp
    LIBS kestrum_launcher kestrum_launchertestsupport kestrum_skintestsupport kestrum_testsupport
    TIMEOUT 180
    LOCKS shared_blocks)
kestrum_skin_resources(launcher_settings_test product)
