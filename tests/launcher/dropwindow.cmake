# The drop window: a real owner-less window under Xvfb, the card record written as the agent
# writes it (card I:), a hidden "Kestrum4 Launcher" window recording the drop notices. Its
# boxes are shown activated, so tools/wine-prefix runs this program unmanaged.
kestrum_test(launcher_drop_window_test
    SOURCES ${TEST_DIR}/DropWindowTest.cpp
    LIBS kestrum_launcher kestrum_launchertestsupport kestrum_skintestsupport kestrum_testsupport
    TIMEOUT 240
    LOCKS launcher_process shared_blocks)
kestrum_skin_resources(launcher_drop_window_test product)
