# The machine setting, version information and help balloon windows: real windows under Xvfb
# over a hidden owner. The program stands in the product folder, beside the stand-ins whose
# versions the version information window reads, and carries a version of its own. The
# machine setting window is shown activated, so tools/wine-prefix runs this program unmanaged
# (such a window then goes at once). Its cases through the real main window use the main
# window test's fixture, and with it that test's locks and cards M: and N:.
kestrum_test(launcher_small_windows_test
    SOURCES ${TEST_DIR}/SmallWindowsSupport.cpp ${TEST_DIR}/SmallWindowsMachineTest.cpp
            ${TEST_DIR}/SmallWindowsHelpTest.cpp ${TEST_DIR}/SmallWindowsVersionTest.cpp
            ${TEST_DIR}/SmallWindowsMainWindowTest.cpp ${TEST_DIR}/MainWindowTestSupport.cpp
            ${TEST_DIR}/support/StubToolWindow.cpp ${TEST_DIR}/SmallWindowsTest.rc
    LIBS kestrum_launcher kestrum_launchertestsupport kestrum_skintestsupport kestrum_cardsim
         kestrum_testsupport
    TIMEOUT 300
    # Its shown windows react to the session's one pointer, which other tests move.
    LOCKS launcher_process shared_blocks mouse_cursor log_upload_cancel version_check_abort
          job_abort)
set_target_properties(launcher_small_windows_test PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${KESTRUM_PRODUCT_FOLDER})
add_dependencies(launcher_small_windows_test launcher_product_folder)
kestrum_skin_resources(launcher_small_windows_test product)
