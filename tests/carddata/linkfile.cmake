# The card cipher and the link file reader; the link file cases run on simulated card P:
# (see tools/wine-prefix).
kestrum_test(carddata_cipher_test SOURCES ${TEST_DIR}/CardCipherTest.cpp
             LIBS kestrum_carddata advapi32)
kestrum_test(carddata_linkfile_test SOURCES ${TEST_DIR}/PcLinkFileTest.cpp
             LIBS kestrum_cardsim kestrum_carddata kestrum_testsupport kestrum_lib)
