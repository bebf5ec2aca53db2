# The settings window, the delete-data window and its question box: real windows under Xvfb
# over a hidden owner, on card H:. Its boxes are shown activated, so tools/wine-prefix runs
# this program unmanaged. Its case through the real main window compiles the main window's
# fixture in: the product folder, that test's locks and its cards M: and N:.
kestrum_test(launcher_settings_test
    SOURCES ${TEST_DIR}/SettingsSupport.cpp ${TEST_DIR}/SettingsBoxTest.cpp
            ${TEST_DIR}/SettingsDeleteTest.cpp ${TEST_DIR}/SettingsWindowTest.cpp
            ${TEST_DIR}/SettingsCheckTest.cpp ${TEST_DIR}/SettingsCardTest.cpp
            ${TEST_DIR}/SettingsNestedTest.cpp ${TEST_DIR}/SettingsMainTest.cpp
            ${TEST_DIR}/MainWindowTestSupport.cpp ${TEST_DIR}/support/StubToolWindow.cpp
    LIBS kestrum_launcher kestrum_launchertestsupport kestrum_skintestsupport kestrum_cardsim
         kestrum_testsupport kestrum_skin kestrum_wfc kestrum_lib
    TIMEOUT 240
    LOCKS launcher_process shared_blocks mouse_cursor log_upload_cancel version_check_abort
          job_abort)
set_target_properties(launcher_settings_test PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${KESTRUM_PRODUCT_FOLDER})
add_dependencies(launcher_settings_test launcher_product_folder)
kestrum_skin_resources(launcher_settings_test product)
