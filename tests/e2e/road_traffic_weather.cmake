# Road "traffic and weather": the downloads at the start and by the button, a locked card.
kestrum_road(traffic_weather SOURCES ${TEST_DIR}/RoadTrafficWeather.cpp
    LIBS kestrum_roadsteps kestrum_launcher kestrum_carddata)
