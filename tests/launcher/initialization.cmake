# The registration and log-in wizard: real windows of the product's skin over a hidden owner,
# checks against the stand-in registration service with the unit's card on simulated card E:
# (see tools/wine-prefix), and the pages it opens through the browser recorder. It plays the
# agent (the card record) and reads the recorder's "opened.txt", which the main window's test
# shares; its "Connection.info" lies beside its program. Its case through the real main
# window uses the main window test's fixture, and with it that test's locks and cards M: and N:.
kestrum_test(launcher_initialization_test
    SOURCES ${TEST_DIR}/InitializationTest.cpp ${TEST_DIR}/InitializationMainWindowTest.cpp
            ${TEST_DIR}/MainWindowTestSupport.cpp ${TEST_DIR}/support/StubToolWindow.cpp
    LIBS kestrum_launcher kestrum_launchertestsupport kestrum_skintestsupport
         kestrum_onlinetestsupport kestrum_cardsim kestrum_testsupport
    OWN_FOLDER
    TIMEOUT 240
    LOCKS shared_blocks launcher_process login_cancel mouse_cursor log_upload_cancel
          version_check_abort job_abort)
kestrum_skin_resources(launcher_initialization_test product)
# The session puts the recorder into the prefix when it starts.
add_dependencies(launcher_initialization_test launcher_browser_recorder)
