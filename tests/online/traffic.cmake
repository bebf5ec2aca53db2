# The traffic download against the stand-in services, on simulated card X: (see
# tools/wine-prefix). It creates "UserAgentShareMemName" as the launcher does, and reads
# "Connection.info" beside its program.
kestrum_test(online_traffic_test
    SOURCES ${TEST_DIR}/InfoChargeVelocetTest.cpp
    LIBS kestrum_onlinetestsupport kestrum_cardsim kestrum_online kestrum_carddata
         kestrum_testsupport kestrum_lib
    OWN_FOLDER
    LOCKS shared_blocks job_abort)
