# The machine setting, version information and help balloon windows: real windows under Xvfb
# over a hidden owner. The machine setting window is shown activated, so tools/wine-prefix
# runs this program unmanaged (such a window then goes at once).
kestrum_test(launcher_small_windows_test
    SOURCES ${TEST_DIR}/SmallWindowsSupport.cpp ${TEST_DIR}/SmallWindowsMachineTest.cpp
            ${TEST_DIR}/SmallWindowsHelpTest.cpp ${TEST_DIR}/SmallWindowsTest.rc
    LIBS kestrum_launcher kestrum_skintestsupport kestrum_testsupport
    TIMEOUT 120)
kestrum_skin_resources(launcher_small_windows_test product)
