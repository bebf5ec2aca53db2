# Road "eject": the main window's safe removal of card D: with the device library's
# stand-in ("full") in the product folder, through the product folder's launcher and the
# real agent.
kestrum_test(e2e_eject
    SOURCES ${TEST_DIR}/RoadEject.cpp ${TEST_DIR}/RoadSteps.cpp
    LIBS kestrum_launchertestsupport kestrum_launcher kestrum_cardsim kestrum_gallery
         kestrum_onlinetestsupport kestrum_testsupport kestrum_lib
    TIMEOUT 300
    LOCKS launcher_process shared_blocks mouse_cursor log_upload_cancel version_check_abort
          job_abort)
add_dependencies(e2e_eject launcher_product_folder carddata_tessaly_full)
