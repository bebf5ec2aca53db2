# The launcher's main window over stub tool windows (tests/launcher/support/StubToolWindow.h),
# in the product folder so that the program starter finds the stand-ins beside it; cards M:,
# N: and O: (tools/wine-prefix). The window is shown activated, so tools/wine-prefix runs
# this program unmanaged.
kestrum_test(launcher_main_window_test
    SOURCES ${TEST_DIR}/MainWindowTest.cpp ${TEST_DIR}/MainWindowCommandTest.cpp
            ${TEST_DIR}/MainWindowJobsTest.cpp ${TEST_DIR}/MainWindowRunsTest.cpp
            ${TEST_DIR}/MainWindowLauncherTest.cpp
            ${TEST_DIR}/MainWindowTestSupport.cpp ${TEST_DIR}/MainWindowProgram.cpp
            ${TEST_DIR}/support/StubToolWindow.cpp
    LIBS kestrum_launcher kestrum_launchertestsupport kestrum_skintestsupport kestrum_cardsim
         kestrum_testsupport kestrum_skin kestrum_wfc kestrum_lib
    TIMEOUT 1800
    LOCKS launcher_process shared_blocks mouse_cursor log_upload_cancel version_check_abort
          job_abort)
set_target_properties(launcher_main_window_test PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/product)
# The stand-in device library of the card reader, found through SetDllDirectoryA.
add_dependencies(launcher_main_window_test launcher_product_folder carddata_tessaly_full)
kestrum_skin_resources(launcher_main_window_test product)
