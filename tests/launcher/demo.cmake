# The launcher demo (`./kestrum run`): the product folder's Launcher.exe with the resident
# agent, card V:, a registered user and the stand-in services (tests/launcher/demo). Its
# test runs it to the shown window in a space of its own; like the start test it shows the
# main window in front. Road "demo" (tests/e2e) runs it in the end-to-end prefix.
kestrum_test_helper(launcher_demo SOURCES ${TEST_DIR}/demo/LauncherDemo.cpp
    LIBS kestrum_roadsupport kestrum_launchertestsupport kestrum_gallery kestrum_cardsim kestrum_launcher
         kestrum_onlinetestsupport kestrum_testsupport kestrum_lib)
set_target_properties(launcher_demo PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/launcher_demo)
add_dependencies(launcher_demo launcher_product_folder)

kestrum_test(launcher_demo_test
    SOURCES ${TEST_DIR}/DemoTest.cpp
    LIBS kestrum_testsupport kestrum_lib
    TIMEOUT 180
    LOCKS launcher_process shared_blocks mouse_cursor log_upload_cancel version_check_abort
          job_abort)
add_dependencies(launcher_demo_test launcher_demo)
