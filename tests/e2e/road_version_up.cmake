# Road "version-up": the start chain's version-up with the real updater in the product
# folder, the updater's test packages and the launcher's setup stand-in served by the
# road's space; the sibling packages install into the prefix.
kestrum_road(version_up SOURCES ${TEST_DIR}/RoadVersionUp.cpp
    LIBS kestrum_roadsteps kestrum_launcher msi
    TIMEOUT 600)
add_dependencies(e2e_version_up Kestrum4Update updater_setup_standin updater_test_packages)
