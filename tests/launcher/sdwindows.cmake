# The card choice and card information windows over a hidden owner; the test writes the
# shared card record as the agent would and scripts the volume questions for cards F: and
# G: (tools/wine-prefix). The choice window is shown activated, so tools/wine-prefix runs
# this program unmanaged. Its case through the real main window compiles the main window's
# fixture in: the product folder, that test's locks and its cards M: and N:.
kestrum_test(launcher_sd_windows_test
    SOURCES ${TEST_DIR}/SDWindowsTest.cpp ${TEST_DIR}/SDWindowsMainTest.cpp
            ${TEST_DIR}/MainWindowTestSupport.cpp ${TEST_DIR}/support/StubToolWindow.cpp
    LIBS kestrum_launcher kestrum_launchertestsupport kestrum_cardsim kestrum_skintestsupport
         kestrum_testsupport kestrum_skin kestrum_wfc kestrum_lib
    TIMEOUT 240
    LOCKS launcher_process shared_blocks mouse_cursor log_upload_cancel version_check_abort
          job_abort)
set_target_properties(launcher_sd_windows_test PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${KESTRUM_PRODUCT_FOLDER})
add_dependencies(launcher_sd_windows_test launcher_product_folder)
kestrum_skin_resources(launcher_sd_windows_test product)
