# The drop window: a real owner-less window under Xvfb, the card record written as the agent
# writes it (card I:), a hidden "Kestrum4 Launcher" window recording the drop notices; and
# one case under the real main window (its test fixture, cards M: and N:, and its locks).
# Its boxes are shown activated, so tools/wine-prefix runs this program unmanaged.
kestrum_test(launcher_drop_window_test
    SOURCES ${TEST_DIR}/DropWindowTest.cpp ${TEST_DIR}/DropWindowMainWindowTest.cpp
            ${TEST_DIR}/MainWindowTestSupport.cpp
            ${TEST_DIR}/support/StubToolWindow.cpp
    LIBS kestrum_launcher kestrum_launchertestsupport kestrum_skintestsupport kestrum_cardsim
         kestrum_testsupport kestrum_skin kestrum_wfc kestrum_lib
    TIMEOUT 300
    LOCKS launcher_process shared_blocks mouse_cursor log_upload_cancel version_check_abort
          job_abort)
add_dependencies(launcher_drop_window_test launcher_product_folder)
kestrum_skin_resources(launcher_drop_window_test product)
