# The background job base and the data store; the card cases run on simulated card W: (see
# tools/wine-prefix).
kestrum_test(online_job_test
    SOURCES ${TEST_DIR}/ChargeTest.cpp ${TEST_DIR}/DataManagerTest.cpp
    LIBS kestrum_onlinetestsupport kestrum_cardsim kestrum_online kestrum_carddata
         kestrum_testsupport kestrum_lib
    LOCKS job_abort)
