# The stand-in services as the online tests reach them from Wine (tests/online/support).
kestrum_test(online_standin_test
    SOURCES ${TEST_DIR}/StandInTest.cpp
    LIBS kestrum_onlinetestsupport winhttp
    TIMEOUT 120)
