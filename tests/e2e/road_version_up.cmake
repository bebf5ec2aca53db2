# Road "version-up": the start chain's version-up with the real updater in the product
# folder, the updater's test packages and the launcher's setup stand-in served by the
# road's space; the sibling packages install into the prefix.
kestrum_test(e2e_version_up
    SOURCES ${TEST_DIR}/RoadVersionUp.cpp ${TEST_DIR}/RoadSteps.cpp
    LIBS kestrum_launchertestsupport kestrum_launcher kestrum_cardsim kestrum_gallery
         kestrum_onlinetestsupport kestrum_testsupport kestrum_lib msi
    TIMEOUT 600
    LOCKS launcher_process shared_blocks mouse_cursor log_upload_cancel version_check_abort
          job_abort)
add_dependencies(e2e_version_up launcher_product_folder Kestrum4Update updater_setup_standin
                 updater_test_packages)
