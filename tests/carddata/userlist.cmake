kestrum_test(carddata_userlist_test
    SOURCES ${TEST_DIR}/UserListCodecTest.cpp
    LIBS kestrum_carddata)
