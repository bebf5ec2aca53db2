# The probe upload job against the stand-in probe gateway, on simulated card L: (see
# tools/wine-prefix). The request table reads "Connection.info" beside the program: built
# into a folder of its own.
kestrum_test(online_probeupload_test
    SOURCES ${TEST_DIR}/ProbeUploadTest.cpp
    LIBS kestrum_onlinetestsupport kestrum_cardsim kestrum_online kestrum_carddata
         kestrum_testsupport kestrum_lib
    OWN_FOLDER
    TIMEOUT 720
    LOCKS job_abort)
