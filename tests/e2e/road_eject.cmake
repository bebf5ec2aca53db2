# Road "eject": the main window's safe removal of card D: with the device library's
# stand-in ("full") in the product folder.
kestrum_road(eject SOURCES ${TEST_DIR}/RoadEject.cpp
    LIBS kestrum_roadsteps kestrum_launcher)
add_dependencies(e2e_eject carddata_tessaly_full)
