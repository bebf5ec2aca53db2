# Road "remove all": the updater's "removeall" beside the running launcher, agent and
# sibling tools, with the updater's four test packages installed into the prefix.
kestrum_test(e2e_remove_all
    SOURCES ${TEST_DIR}/RoadRemoveAll.cpp ${TEST_DIR}/RoadSteps.cpp
    LIBS kestrum_launchertestsupport kestrum_launcher kestrum_cardsim kestrum_gallery
         kestrum_onlinetestsupport kestrum_testsupport kestrum_lib msi
    TIMEOUT 600
    LOCKS launcher_process shared_blocks mouse_cursor log_upload_cancel version_check_abort
          job_abort)
add_dependencies(e2e_remove_all launcher_product_folder Kestrum4Update updater_test_packages)
