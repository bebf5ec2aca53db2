# Probe data files, their send file and the driving-history merge.
kestrum_test(carddata_probe_test
    SOURCES ${TEST_DIR}/ProbeTestSupport.cpp ${TEST_DIR}/ProbeFileTest.cpp ${TEST_DIR}/ProbeSendFileTest.cpp
            ${TEST_DIR}/ProbeSweepTest.cpp
    LIBS kestrum_cardsim kestrum_carddata kestrum_lib)
