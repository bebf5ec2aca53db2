# The drive manager and the safe removal of a card, on simulated cards R:, S: and T: (see
# tools/wine-prefix). The test plays the agent, so it holds the shared blocks alone.
#
# Our stand-in for the card reader's device library, in two releases: complete, and one
# lacking an entry point. Each is built as "Tessaly.dll" into a folder of its own below the
# test program, never beside it, so the test chooses which one the product's search finds.
foreach(variant full lacking)
    if(variant STREQUAL "full")
        set(def ${TEST_DIR}/tessaly/Tessaly.def)
    else()
        set(def ${TEST_DIR}/tessaly/TessalyLacking.def)
    endif()
    add_library(carddata_tessaly_${variant} SHARED ${TEST_DIR}/tessaly/Tessaly.cpp ${def})
    set_target_properties(carddata_tessaly_${variant} PROPERTIES
        PREFIX ""
        OUTPUT_NAME Tessaly
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/carddata_drives_tessaly/${variant}
        ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/carddata_drives_tessaly/${variant})
    # The .def names the stdcall functions bare; let the linker match them silently.
    target_link_options(carddata_tessaly_${variant} PRIVATE -Wl,--enable-stdcall-fixup)
endforeach()

kestrum_test(carddata_drives_test
    SOURCES ${TEST_DIR}/DrivesTest.cpp
    LIBS kestrum_cardsim kestrum_carddata kestrum_testsupport kestrum_lib
    TIMEOUT 120
    LOCKS shared_blocks)
add_dependencies(carddata_drives_test carddata_tessaly_full carddata_tessaly_lacking)
