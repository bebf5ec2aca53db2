# The log upload window against the stand-in support service, over a hidden owner window.
# Its "Connection.info" lies beside its program.
kestrum_test(launcher_logupload_test
    SOURCES ${TEST_DIR}/LogUploadTest.cpp
    LIBS kestrum_launcher kestrum_launchertestsupport kestrum_onlinetestsupport
         kestrum_skintestsupport kestrum_testsupport
    OWN_FOLDER
    TIMEOUT 480
    LOCKS log_upload_cancel)
kestrum_skin_resources(launcher_logupload_test product)
