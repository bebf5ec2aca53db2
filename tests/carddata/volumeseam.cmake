# The test builds' card-reader answers (carddata/EnvironmentVolumePlatform.h) on card V:,
# which it only opens and asks, never writes (see tools/wine-prefix).
kestrum_test(carddata_volume_seam_test
    SOURCES ${TEST_DIR}/VolumeSeamTest.cpp
    LIBS kestrum_carddata kestrum_testsupport kestrum_lib)
