# The updater: its engine in the test's own process, and the program Kestrum4Update.
# Both put a window titled "Kestrum4 Launcher" on the desktop (lock launcher_process); the
# program test also starts the real agent for "removeall", which creates the shared blocks.

# Real Windows Installer packages for the program test, built with wixl from one template:
# the product codes that "removeall" knows, and a second version of the first for the
# reinstall. They land in "<build>/tests/updater_packages/".
find_program(KESTRUM_WIXL wixl)
if(NOT KESTRUM_WIXL)
    message(FATAL_ERROR "wixl is missing: run ./kestrum setup")
endif()
set(updater_packages_dir ${CMAKE_BINARY_DIR}/tests/updater_packages)
set(updater_packages)
function(updater_test_package name product component version payload)
    set(PACKAGE_NAME ${name})
    set(PACKAGE_PRODUCT ${product})
    set(PACKAGE_UPGRADE ${component})
    set(PACKAGE_COMPONENT ${component})
    set(PACKAGE_VERSION ${version})
    # wixl takes a file's source relative to the package text only.
    set(PACKAGE_PAYLOAD ${payload})
    configure_file(${TEST_DIR}/packages/${payload} ${updater_packages_dir}/${payload} COPYONLY)
    configure_file(${TEST_DIR}/packages/TestPackage.wxs.in ${updater_packages_dir}/${name}.wxs @ONLY)
    add_custom_command(OUTPUT ${updater_packages_dir}/${name}.msi
        COMMAND ${KESTRUM_WIXL} -o ${updater_packages_dir}/${name}.msi ${updater_packages_dir}/${name}.wxs
        DEPENDS ${updater_packages_dir}/${name}.wxs ${updater_packages_dir}/${payload}
        WORKING_DIRECTORY ${updater_packages_dir})
    set(updater_packages ${updater_packages} ${updater_packages_dir}/${name}.msi PARENT_SCOPE)
endfunction()
updater_test_package(Sibling1 "{3F1C7A20-5B8E-4D21-9A37-0C6E2B7D4F10}"
                     "{B0E1A6D2-3C41-4E7B-9F20-61D8A4C5E101}" 1.0.0 payload-1.txt)
updater_test_package(Sibling2 "{7A2E9C41-1D3B-4F6A-8E52-6B0D3C9F2A84}"
                     "{B0E1A6D2-3C41-4E7B-9F20-61D8A4C5E102}" 1.0.0 payload-1.txt)
updater_test_package(Sibling3 "{C4B81E06-92A7-4C3D-B1F5-8E2A7D60C913}"
                     "{B0E1A6D2-3C41-4E7B-9F20-61D8A4C5E103}" 1.0.0 payload-1.txt)
updater_test_package(Product "{5E93D2B8-6C14-4A0F-A7E9-31B4C8F0D256}"
                     "{B0E1A6D2-3C41-4E7B-9F20-61D8A4C5E104}" 1.0.0 payload-1.txt)
updater_test_package(Sibling1v2 "{3F1C7A20-5B8E-4D21-9A37-0C6E2B7D4F10}"
                     "{B0E1A6D2-3C41-4E7B-9F20-61D8A4C5E101}" 1.0.1 payload-2.txt)
add_custom_target(updater_test_packages DEPENDS ${updater_packages})

add_library(kestrum_updatertestsupport STATIC ${TEST_DIR}/UpdaterTestSupport.cpp)
target_link_libraries(kestrum_updatertestsupport PUBLIC kestrum_lib)

kestrum_test(updater_engine_test
    SOURCES ${TEST_DIR}/EngineTest.cpp ${TEST_DIR}/ScriptedInstaller.cpp
    LIBS kestrum_updater kestrum_updatertestsupport kestrum_testsupport
    LOCKS launcher_process)

# The launcher's setup program as the updater starts it: records its command line.
kestrum_test_helper(updater_setup_standin SOURCES ${TEST_DIR}/SetupStandIn.cpp LIBS kestrum_lib)
set_target_properties(updater_setup_standin PROPERTIES WIN32_EXECUTABLE ON)

kestrum_test(updater_program_test
    SOURCES ${TEST_DIR}/ProgramTest.cpp
    LIBS kestrum_updatertestsupport kestrum_testsupport msi
    LOCKS launcher_process shared_blocks
    TIMEOUT 600)
add_dependencies(updater_program_test Kestrum4Update updater_setup_standin updater_test_packages)

# "removeall" closes a program titled as the launcher; one of the harness's sibling tools,
# titled so, stands in for it outside the product folder.
kestrum_test_helper(updater_launcher_standin
    SOURCES ${CMAKE_SOURCE_DIR}/tests/launcher/standins/SiblingTool.cpp
            ${CMAKE_SOURCE_DIR}/tests/launcher/standins/StandInRecord.cpp)
set_target_properties(updater_launcher_standin PROPERTIES WIN32_EXECUTABLE ON OUTPUT_NAME Launcher
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/updater_launcher)
target_compile_definitions(updater_launcher_standin PRIVATE TOOL_TITLE="Kestrum4 Launcher")
target_link_libraries(updater_program_test PRIVATE kestrum_launchertestsupport)
add_dependencies(updater_program_test updater_launcher_standin launcher_product_folder)
