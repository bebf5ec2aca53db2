# The card choice and card information windows over a hidden owner; the test writes the
# shared card record as the agent would and scripts the volume questions for cards F: and
# G: (tools/wine-prefix). The choice window is shown activated, so tools/wine-prefix runs
# this program unmanaged.
kestrum_test(launcher_sd_windows_test
    SOURCES ${TEST_DIR}/SDWindowsTest.cpp
    LIBS kestrum_launcher kestrum_launchertestsupport kestrum_cardsim kestrum_skintestsupport
         kestrum_testsupport
    TIMEOUT 180
    LOCKS shared_blocks)
kestrum_skin_resources(launcher_sd_windows_test product)
