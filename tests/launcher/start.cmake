# The launcher's start and end through runs of the product folder's Launcher.exe; the
# program whose message read fails runs the same start from the product folder. The main
# window shows in front at the screen's centre, where it would take the pointer's cursor
# from a test that reads it.
kestrum_test_helper(launcher_start_loop_child SOURCES ${TEST_DIR}/StartLoopChild.cpp
    LIBS kestrum_launcher)
set_target_properties(launcher_start_loop_child PROPERTIES WIN32_EXECUTABLE ON
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/product)
kestrum_skin_resources(launcher_start_loop_child product)

kestrum_test(launcher_start_test
    SOURCES ${TEST_DIR}/StartTest.cpp
    LIBS kestrum_launchertestsupport kestrum_launcher kestrum_testsupport kestrum_lib version
    LOCKS launcher_process shared_blocks mouse_cursor log_upload_cancel version_check_abort
          job_abort)
add_dependencies(launcher_start_test launcher_product_folder launcher_start_loop_child)
