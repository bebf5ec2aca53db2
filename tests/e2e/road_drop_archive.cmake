# Road "drop archive": the web-drive button on Windows XP and on the default version, and an
# OLE drag of the web data archive from the road program onto the launcher's drop window,
# on card D:.
kestrum_road(drop_archive SOURCES ${TEST_DIR}/RoadDropArchive.cpp
    LIBS kestrum_roadsteps kestrum_launcher kestrum_carddata ole32 uuid)
