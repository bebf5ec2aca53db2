# Road "delete data": the settings window's deletion of the product's data on card D:,
# through the product folder's launcher and the real agent.
kestrum_test(e2e_delete_data
    SOURCES ${TEST_DIR}/RoadDeleteData.cpp ${TEST_DIR}/RoadSteps.cpp
    LIBS kestrum_launchertestsupport kestrum_launcher kestrum_cardsim kestrum_gallery
         kestrum_onlinetestsupport kestrum_testsupport kestrum_lib
    TIMEOUT 300
    LOCKS launcher_process shared_blocks mouse_cursor log_upload_cancel version_check_abort
          job_abort)
add_dependencies(e2e_delete_data launcher_product_folder)
