# Probe data files, their send file and the driving-history merge; the corruption sweep
# runs as a program of its own so that it runs beside the others.
kestrum_test(carddata_probe_test
    SOURCES ${TEST_DIR}/ProbeTestSupport.cpp ${TEST_DIR}/ProbeFileTest.cpp
            ${TEST_DIR}/ProbeSendFileTest.cpp
    LIBS kestrum_cardsim kestrum_carddata kestrum_testsupport kestrum_lib)
kestrum_test(carddata_probe_sweep_test
    SOURCES ${TEST_DIR}/ProbeTestSupport.cpp ${TEST_DIR}/ProbeSweepTest.cpp
    LIBS kestrum_cardsim kestrum_carddata kestrum_testsupport kestrum_lib)
