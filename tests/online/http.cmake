# The HTTP client against the stand-in services (tools/standin); the second program also
# scripts the client's platform calls and reads its proxy settings from a key of its own.
kestrum_test(online_http_test
    SOURCES ${TEST_DIR}/WinHttpWrapperTest.cpp
    LIBS kestrum_onlinetestsupport kestrum_online kestrum_testsupport kestrum_lib
    TIMEOUT 180)
kestrum_test(online_http_calls_test
    SOURCES ${TEST_DIR}/WinHttpProxyTest.cpp ${TEST_DIR}/WinHttpSeamTest.cpp
    LIBS kestrum_onlinetestsupport kestrum_online kestrum_testsupport kestrum_lib
    TIMEOUT 120)
