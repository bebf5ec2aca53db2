# The application log upload against the stand-in support service, and "PcInfo.txt". Its
# "Connection.info" lies beside its program; the host's Python opens the uploaded archives.
kestrum_test(online_logupload_test
    SOURCES ${TEST_DIR}/AplLogUploadTest.cpp ${TEST_DIR}/PcInfoTest.cpp
    LIBS kestrum_onlinetestsupport kestrum_online kestrum_carddata kestrum_testsupport
         kestrum_lib
    OWN_FOLDER
    TIMEOUT 240
    LOCKS log_upload_cancel)
