# Road "first start": no card, no user, the model chosen at the first start.
kestrum_road(first_start SOURCES ${TEST_DIR}/RoadFirstStart.cpp
    LIBS kestrum_roadsteps kestrum_launcher)
