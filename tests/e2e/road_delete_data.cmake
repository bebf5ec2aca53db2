# Road "delete data": the settings window's deletion of the product's data on card D:.
kestrum_road(delete_data SOURCES ${TEST_DIR}/RoadDeleteData.cpp
    LIBS kestrum_roadsteps kestrum_launcher)
