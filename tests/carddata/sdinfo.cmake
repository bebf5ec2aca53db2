# The SD information file, the built-in service account and the user agent; the card cases
# run on simulated card Q: (see tools/wine-prefix).
kestrum_test(carddata_sdinfo_test
    SOURCES ${TEST_DIR}/SDInfoFileTest.cpp ${TEST_DIR}/BuiltinAccountTest.cpp
            ${TEST_DIR}/UserAgentTest.cpp
    LIBS kestrum_cardsim kestrum_carddata kestrum_testsupport kestrum_lib)
