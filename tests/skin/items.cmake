# The item kinds of skin windows: buttons, toggle buttons and static texts, driven through a
# fake window that records what they ask (tests/skin/support/SkinItemTestSupport.h) and on real
# windows.
kestrum_gtest()
add_library(kestrum_skinitemtestsupport STATIC ${TEST_DIR}/support/SkinItemTestSupport.cpp)
target_link_libraries(kestrum_skinitemtestsupport PUBLIC kestrum_skintestsupport kestrum_skin
                      kestrum_wfc kestrum_lib gtest)

kestrum_test(skin_button_test
    SOURCES ${TEST_DIR}/SkinButtonTest.cpp ${TEST_DIR}/SkinButtonDrawTest.cpp
            ${TEST_DIR}/SkinButtonWindowTest.cpp
    LIBS kestrum_skinitemtestsupport kestrum_skintestsupport kestrum_testsupport kestrum_skin
         kestrum_wfc kestrum_lib
    TIMEOUT 120)
kestrum_skin_resources(skin_button_test skintest product)
kestrum_test(skin_static_test
    SOURCES ${TEST_DIR}/SkinStaticTest.cpp
    LIBS kestrum_skinitemtestsupport kestrum_skintestsupport kestrum_testsupport kestrum_skin
         kestrum_wfc kestrum_lib
    TIMEOUT 120)
kestrum_skin_resources(skin_static_test skintest)
