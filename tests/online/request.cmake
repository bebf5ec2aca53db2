# Request table, request parameters and bodies, URL encoding and opening web pages.
# The request table reads "Connection.info" beside its program once per process: the tests
# are built into folders of their own, and each "Connection.info" scenario runs a copy of
# online_connection_child in a folder of its own.
kestrum_test(online_request_test
    SOURCES ${TEST_DIR}/RequestTest.cpp ${TEST_DIR}/RequestBodyTest.cpp
    LIBS kestrum_onlinetestsupport kestrum_online kestrum_testsupport
    OWN_FOLDER)
kestrum_test_helper(online_connection_child
    SOURCES ${TEST_DIR}/ConnectionChild.cpp
    LIBS kestrum_onlinetestsupport kestrum_online)
kestrum_test(online_connectioninfo_test
    SOURCES ${TEST_DIR}/ConnectionInfoTest.cpp
    LIBS kestrum_online kestrum_testsupport
    OWN_FOLDER)
add_dependencies(online_connectioninfo_test online_connection_child)
kestrum_test_helper(online_browser_recorder SOURCES ${TEST_DIR}/BrowserRecorder.cpp
    ${CMAKE_SOURCE_DIR}/tests/launcher/standins/StandInRecord.cpp)
kestrum_test(online_browser_test
    SOURCES ${TEST_DIR}/BrowserTest.cpp
    LIBS kestrum_online kestrum_testsupport
    OWN_FOLDER)
add_dependencies(online_browser_test online_browser_recorder)
