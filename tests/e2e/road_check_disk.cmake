# Road "check disk": the settings window's check of card D: with the system folder's chkdsk
# stand-in, through the product folder's launcher and the real agent.
kestrum_test(e2e_check_disk
    SOURCES ${TEST_DIR}/RoadCheckDisk.cpp ${TEST_DIR}/RoadSteps.cpp
    LIBS kestrum_launchertestsupport kestrum_launcher kestrum_cardsim kestrum_gallery
         kestrum_onlinetestsupport kestrum_testsupport kestrum_lib
    TIMEOUT 300
    LOCKS launcher_process shared_blocks mouse_cursor log_upload_cancel version_check_abort
          job_abort)
add_dependencies(e2e_check_disk launcher_product_folder)
