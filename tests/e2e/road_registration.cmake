# Road "registration and log-in": the wizard from the main window, refused and accepted.
kestrum_road(registration SOURCES ${TEST_DIR}/RoadRegistration.cpp
    LIBS kestrum_roadsteps kestrum_launcher kestrum_carddata)
