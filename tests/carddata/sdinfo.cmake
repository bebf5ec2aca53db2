# The SD information file and the built-in service account.
kestrum_test(carddata_sdinfo_test
    SOURCES ${TEST_DIR}/SDInfoFileTest.cpp ${TEST_DIR}/BuiltinAccountTest.cpp
    LIBS kestrum_carddata)
