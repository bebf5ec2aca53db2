# Road "card inserted": the agent alone, a card in and out, an NTFS card refused.
kestrum_road(card_inserted SOURCES ${TEST_DIR}/RoadCardInserted.cpp
    LIBS kestrum_roadsteps kestrum_launcher kestrum_carddata)
