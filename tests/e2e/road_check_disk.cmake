# Road "check disk": the settings window's check of card D: with the system folder's chkdsk
# stand-in.
kestrum_road(check_disk SOURCES ${TEST_DIR}/RoadCheckDisk.cpp
    LIBS kestrum_roadsteps kestrum_launcher)
