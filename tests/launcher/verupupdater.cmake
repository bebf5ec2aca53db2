# The version-up window with the real updater beside its program (which "開始" starts from
# there), the updater's test packages and the launcher's setup stand-in, served by the
# stand-in. Beside it stand the launcher and Mendrill only, so the two sibling packages are
# first installs; they install into the prefix for real, and the updater takes the
# launcher's title. Its last case runs the product folder's launcher through the start
# chain, so it also holds the locks of the launcher's runs.
kestrum_test(launcher_verup_updater_test
    SOURCES ${TEST_DIR}/VerupUpdaterTest.cpp
    LIBS kestrum_launcher kestrum_launchertestsupport kestrum_onlinetestsupport
         kestrum_skintestsupport kestrum_testsupport msi
    OWN_FOLDER
    TIMEOUT 600
    LOCKS launcher_process shared_blocks mouse_cursor log_upload_cancel version_check_abort
          job_abort)
kestrum_skin_resources(launcher_verup_updater_test product)
kestrum_verup_siblings(launcher_verup_updater_test Launcher Mendrill)
add_dependencies(launcher_verup_updater_test Kestrum4Update updater_setup_standin
                 updater_test_packages launcher_product_folder)
add_custom_command(TARGET launcher_verup_updater_test POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Kestrum4Update>
            ${CMAKE_BINARY_DIR}/tests/launcher_verup_updater_test/)
