# The gallery (tests/gallery/Gallery.h): its registry and picture writer, the pages of every
# folder (tests/<folder>/gallery/*.cpp, linked whole so that each page registers itself), the
# gallery program of `./kestrum shots` and its test.
kestrum_gtest()
add_library(kestrum_gallery STATIC ${TEST_DIR}/Gallery.cpp ${TEST_DIR}/PngWriter.cpp)
target_link_libraries(kestrum_gallery PUBLIC kestrum_skin kestrum_wfc kestrum_lib z)

file(GLOB gallery_pages CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*/gallery/*.cpp)
add_library(kestrum_gallerypages OBJECT ${gallery_pages})
target_link_libraries(kestrum_gallerypages PUBLIC kestrum_gallery kestrum_skintestsupport)
# The launcher's windows have pages of their own (tests/launcher/gallery).
if(TARGET kestrum_launcher)
    target_link_libraries(kestrum_gallerypages PUBLIC kestrum_launcher)
endif()

add_executable(skin_gallery ${TEST_DIR}/GalleryMain.cpp)
target_link_libraries(skin_gallery PRIVATE kestrum_gallerypages kestrum_gallery)
set_target_properties(skin_gallery PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/gallery)
kestrum_skin_resources(skin_gallery skintest product)

kestrum_test(gallery_test
    SOURCES ${TEST_DIR}/GalleryTest.cpp
    LIBS kestrum_gallerypages kestrum_gallery kestrum_skintestsupport kestrum_testsupport
    TIMEOUT 120
    # The main window's page owns a window titled "Kestrum4 Launcher" and its shared block.
    LOCKS launcher_process shared_blocks)
kestrum_skin_resources(gallery_test skintest product)
