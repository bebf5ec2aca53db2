kestrum_test(carddata_userlist_test
    SOURCES ${TEST_DIR}/UserListCodecTest.cpp ${TEST_DIR}/UserListFileTest.cpp
    LIBS kestrum_carddata kestrum_testsupport)
