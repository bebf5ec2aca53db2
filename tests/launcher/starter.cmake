# The program starter against the stand-ins of the product folder; the test program lies in
# that folder, as the launcher does. Its agent stand-in makes "KestrumShareMemName".
kestrum_test(launcher_starter_test
    SOURCES ${TEST_DIR}/StarterTest.cpp
    LIBS kestrum_launchertestsupport kestrum_launcher kestrum_testsupport kestrum_lib
    LOCKS launcher_process shared_blocks)
set_target_properties(launcher_starter_test PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/product)
add_dependencies(launcher_starter_test launcher_product_folder)
