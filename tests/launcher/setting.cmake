# The launcher's settings files and the users' folders, in a private application folder.
kestrum_test(launcher_setting_test
    SOURCES ${TEST_DIR}/SettingTest.cpp
    LIBS kestrum_launcher kestrum_testsupport
    TIMEOUT 60)
