# Road "check disk": the settings window's check of card D: with the system folder's chkdsk
# stand-in.
kestrum_road(check_disk SOURCES ${TEST_DIR}/RoadCheckDisk.cpp ${TEST_DIR}/RoadSteps.cpp
    LIBS kestrum_launcher)
