# The probe log window over a hidden owner, with the settings in a private application
# folder and the current user written into "UserAgentShareMemName" by the test; one run of
# the real upload job against the stand-in probe gateway on card U:. Its "Connection.info"
# lies beside its program. The window is shown activated, so tools/wine-prefix runs this
# program unmanaged. Its case through the real main window uses the main window test's
# fixture, and with it that test's locks and cards M: and N:.
kestrum_test(launcher_probe_log_test
    SOURCES ${TEST_DIR}/ProbeLogTest.cpp ${TEST_DIR}/ProbeLogMainWindowTest.cpp
            ${TEST_DIR}/MainWindowTestSupport.cpp ${TEST_DIR}/support/StubToolWindow.cpp
    LIBS kestrum_launcher kestrum_launchertestsupport kestrum_onlinetestsupport kestrum_cardsim
         kestrum_skintestsupport kestrum_testsupport
    OWN_FOLDER
    TIMEOUT 300
    LOCKS shared_blocks job_abort launcher_process mouse_cursor log_upload_cancel
          version_check_abort)
kestrum_skin_resources(launcher_probe_log_test product)
