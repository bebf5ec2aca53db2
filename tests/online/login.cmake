# The log-in check against the stand-in registration service, on simulated card K: (see
# tools/wine-prefix). The test plays the agent, so it holds the shared blocks alone; its
# "Connection.info" lies beside its program.
kestrum_test(online_login_test
    SOURCES ${TEST_DIR}/LoginAdminTest.cpp
    LIBS kestrum_onlinetestsupport kestrum_cardsim kestrum_online kestrum_carddata
         kestrum_testsupport kestrum_lib
    OWN_FOLDER
    TIMEOUT 240
    LOCKS shared_blocks login_cancel)
