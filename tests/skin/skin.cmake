# The skin framework: the skin text language, its loading from resources, the test skins'
# build, and the lint of the product's skins.
kestrum_skin_set(skintest ${TEST_DIR}/skins)

# Helpers of the skin tests (tests/skin/support): collecting skin errors, the lint.
kestrum_gtest()
add_library(kestrum_skintestsupport STATIC ${TEST_DIR}/support/SkinTestSupport.cpp)
target_link_libraries(kestrum_skintestsupport PUBLIC kestrum_skin kestrum_wfc kestrum_lib gtest)

kestrum_test(skin_text_test
    SOURCES ${TEST_DIR}/SkinTextTest.cpp
    LIBS kestrum_skintestsupport kestrum_skin kestrum_wfc kestrum_lib
    TIMEOUT 120)
kestrum_test(skin_load_test
    SOURCES ${TEST_DIR}/SkinLoadTest.cpp ${TEST_DIR}/SkinLoadTest.rc
    LIBS kestrum_skintestsupport kestrum_skin kestrum_wfc kestrum_lib
    TIMEOUT 120)
kestrum_skin_resources(skin_load_test skintest)
kestrum_test(skin_lint_test
    SOURCES ${TEST_DIR}/SkinLintTest.cpp
    LIBS kestrum_skintestsupport kestrum_skin kestrum_wfc kestrum_lib
    TIMEOUT 120)
kestrum_skin_resources(skin_lint_test product)

# The skin build itself (cmake/skinbuild.py, cmake/KestrumSkin.cmake), natively on the host.
add_test(NAME skin_pipeline_test COMMAND ${KESTRUM_PYTHON} ${TEST_DIR}/skinbuild_test.py)
set_tests_properties(skin_pipeline_test PROPERTIES TIMEOUT 120)
