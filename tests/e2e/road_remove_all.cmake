# Road "remove all": the updater's "removeall" beside the running launcher, agent and
# sibling tools, with the updater's four test packages installed into the prefix.
kestrum_road(remove_all SOURCES ${TEST_DIR}/RoadRemoveAll.cpp
    LIBS kestrum_roadsteps kestrum_launcher msi
    TIMEOUT 600)
add_dependencies(e2e_remove_all Kestrum4Update updater_test_packages)
