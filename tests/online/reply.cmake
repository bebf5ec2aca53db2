# The readers of the registration service's replies.
kestrum_test(online_reply_test
    SOURCES ${TEST_DIR}/ReplyAnalyzerTest.cpp
    LIBS kestrum_online kestrum_testsupport kestrum_lib)
