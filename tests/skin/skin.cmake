# The skin framework: the skin text language, its loading from resources, the keyword
# tables, the image cache, the skin window and its items, and the lint of the product's skins.
# The test skins (set "skintest") are built from ${TEST_DIR}/skins by the top CMakeLists.

# Helpers of the skin tests (tests/skin/support): collecting skin errors, the lint.
kestrum_gtest()
add_library(kestrum_skintestsupport STATIC ${TEST_DIR}/support/SkinTestSupport.cpp
            ${TEST_DIR}/support/SkinWindowTestSupport.cpp ${TEST_DIR}/support/FakeItemAccessor.cpp
            ${TEST_DIR}/support/DropWindowClass.cpp)
target_link_libraries(kestrum_skintestsupport PUBLIC kestrum_skin kestrum_wfc kestrum_lib gtest)

kestrum_test(skin_text_test
    SOURCES ${TEST_DIR}/SkinTextTest.cpp ${TEST_DIR}/SkinKeywordTableTest.cpp
    LIBS kestrum_skintestsupport kestrum_skin kestrum_wfc kestrum_lib
    TIMEOUT 120)
kestrum_test(skin_load_test
    SOURCES ${TEST_DIR}/SkinLoadTest.cpp ${TEST_DIR}/SkinLoadTest.rc
    LIBS kestrum_skintestsupport kestrum_skin kestrum_wfc kestrum_lib
    TIMEOUT 120)
# The product set too: test texts may include its "Common.txt".
kestrum_skin_resources(skin_load_test skintest product)
kestrum_test(skin_window_test
    SOURCES ${TEST_DIR}/SkinWindowTest.cpp ${TEST_DIR}/SkinImageCacheTest.cpp
    LIBS kestrum_skintestsupport kestrum_testsupport kestrum_skin kestrum_wfc kestrum_lib
    TIMEOUT 120)
kestrum_skin_resources(skin_window_test skintest)
# The session has one mouse cursor, which this test moves and reads back.
set_tests_properties(skin_window_test PROPERTIES RESOURCE_LOCK mouse_cursor)
# The lint builds every product window of the gallery's pages (tests/gallery/Gallery.h).
kestrum_test(skin_lint_test
    SOURCES ${TEST_DIR}/SkinLintTest.cpp
    LIBS kestrum_gallerypages kestrum_gallery kestrum_skintestsupport kestrum_skin kestrum_wfc
         kestrum_lib
    TIMEOUT 120
    # The main window's page builds a launcher main window with its shared block.
    LOCKS launcher_process shared_blocks)
kestrum_skin_resources(skin_lint_test product)

# The skin build itself (cmake/skinbuild.py, cmake/KestrumSkin.cmake), natively on the host.
add_test(NAME skin_pipeline_test COMMAND ${KESTRUM_PYTHON} ${TEST_DIR}/skinbuild_test.py)
set_tests_properties(skin_pipeline_test PROPERTIES TIMEOUT 300)
