# The launcher's test harness (tests/launcher/support, namespace launchertest) for every
# launcher, agent and updater test; its stand-ins and product folder are in product.cmake.
kestrum_gtest()
add_library(kestrum_launchertestsupport STATIC
    ${TEST_DIR}/support/AbortCheckGate.cpp ${TEST_DIR}/support/ChkdskGate.cpp
    ${TEST_DIR}/support/BrowserRecord.cpp ${TEST_DIR}/support/LauncherRun.cpp
    ${TEST_DIR}/support/MessageBoxes.cpp ${TEST_DIR}/support/Observer.cpp
    ${TEST_DIR}/support/ProductFolder.cpp ${TEST_DIR}/support/RecordFile.cpp
    ${TEST_DIR}/support/SharedBlocks.cpp
    ${TEST_DIR}/support/StartRecord.cpp)
target_link_libraries(kestrum_launchertestsupport PUBLIC kestrum_onlinetestsupport
    kestrum_gallery kestrum_testsupport kestrum_skin kestrum_wfc kestrum_lib shlwapi gtest)
# The observer of broadcasts, a program of its own beside the stand-ins.
kestrum_test_helper(launcher_observer SOURCES ${TEST_DIR}/support/ObserverMain.cpp)
set_target_properties(launcher_observer PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/standins)
add_dependencies(kestrum_launchertestsupport launcher_observer)

# The harness itself, where it can go wrong: what the stand-ins record and publish, the
# observer's view of broadcasts, and boxes found and pressed in-process. It starts the
# stand-ins of the product folder and plays with the card block, on card V: (see
# tools/wine-prefix).
kestrum_test(launcher_harness_test
    SOURCES ${TEST_DIR}/support/HarnessTest.cpp
    LIBS kestrum_launchertestsupport kestrum_skintestsupport kestrum_cardsim kestrum_testsupport
         kestrum_skin kestrum_wfc kestrum_lib
    TIMEOUT 180
    LOCKS launcher_process shared_blocks log_upload_cancel version_check_abort job_abort)
kestrum_skin_resources(launcher_harness_test product)
add_dependencies(launcher_harness_test launcher_product_folder)
