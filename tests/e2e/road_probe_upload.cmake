# Road "probe upload": the recordings of the card uploaded at the start, and a user the
# probe-traffic service does not know.
kestrum_road(probe_upload SOURCES ${TEST_DIR}/RoadProbeUpload.cpp
    LIBS kestrum_roadsteps kestrum_launcher kestrum_carddata)
