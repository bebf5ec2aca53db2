# Road "delete data": the settings window's deletion of the product's data on card D:.
kestrum_road(delete_data SOURCES ${TEST_DIR}/RoadDeleteData.cpp ${TEST_DIR}/RoadSteps.cpp
    LIBS kestrum_launcher)
