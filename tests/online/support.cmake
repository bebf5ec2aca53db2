# Helpers shared by the online tests (tests/online/support): the notify-window capture and
# whatever drives the stand-in services.
kestrum_gtest()
file(GLOB onlinetest_sources CONFIGURE_DEPENDS ${TEST_DIR}/support/*.cpp)
add_library(kestrum_onlinetestsupport STATIC ${onlinetest_sources})
target_link_libraries(kestrum_onlinetestsupport PUBLIC kestrum_online kestrum_testsupport kestrum_lib
                      gtest ws2_32)
