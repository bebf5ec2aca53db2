# The weather download and the information download scheduler against the stand-in
# services, on simulated card Y: (see tools/wine-prefix). The scheduler's tests play the
# agent in "KestrumShareMemName" and the launcher in "UserAgentShareMemName"; the program
# reads "Connection.info" beside itself.
kestrum_test(online_weather_test
    SOURCES ${TEST_DIR}/InfoChargeWeatherTest.cpp ${TEST_DIR}/InfoChargeCtrlTest.cpp
            ${TEST_DIR}/WeatherTestSupport.cpp
    LIBS kestrum_onlinetestsupport kestrum_cardsim kestrum_online kestrum_carddata
         kestrum_testsupport kestrum_lib
    OWN_FOLDER
    LOCKS shared_blocks job_abort)
