# Road "log upload": the consent at the start, Yes and then No.
kestrum_road(log_upload SOURCES ${TEST_DIR}/RoadLogUpload.cpp
    LIBS kestrum_roadsteps kestrum_launcher kestrum_carddata)
