# The product folder of the launcher's tests, "<build>/tests/product/": the test build of
# the launcher (launcher_seams) and stand-ins of every other program it starts. The
# stand-ins are built into "<build>/tests/standins/" and copied from there into the product
# folder, so that the harness can put a stand-in back after a case replaced or removed it;
# the real agent's test build (agent_seams) waits in "standins/real/" for the cases that ask
# for it. Tests that use the folder: add_dependencies(<test> launcher_product_folder).
set(KESTRUM_PRODUCT_FOLDER ${CMAKE_BINARY_DIR}/tests/product)
set(KESTRUM_STANDIN_FOLDER ${CMAKE_BINARY_DIR}/tests/standins)
add_custom_target(launcher_product_folder)

# A stand-in program built as <output>.exe into the stand-in folder; with PRODUCT it is
# copied into the product folder (or its FOLDER) after every build.
function(kestrum_standin target output)
    cmake_parse_arguments(ARG "PRODUCT;GUI" "FOLDER" "SOURCES;LIBS;DEFINITIONS" ${ARGN})
    kestrum_test_helper(${target} SOURCES ${ARG_SOURCES} LIBS ${ARG_LIBS})
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output}
        RUNTIME_OUTPUT_DIRECTORY ${KESTRUM_STANDIN_FOLDER})
    if(ARG_GUI)
        set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
    endif()
    if(ARG_DEFINITIONS)
        target_compile_definitions(${target} PRIVATE ${ARG_DEFINITIONS})
    endif()
    if(ARG_PRODUCT)
        set(destination ${KESTRUM_PRODUCT_FOLDER}/${ARG_FOLDER})
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E make_directory ${destination}
            COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${destination})
    endif()
    add_dependencies(launcher_product_folder ${target})
endfunction()

set(standin_dir ${CMAKE_SOURCE_DIR}/tests/launcher/standins)
set(tool_version ${CMAKE_SOURCE_DIR}/tests/online/SiblingToolVersion.rc)
# The sibling tools and the music tool, one source; versions as the version tests' programs.
# (The include loop of tests/CMakeLists.txt shares this scope: every name here is our own.)
foreach(standin_tool "Dapplegate;4;1;17;5" "Mendrill;2;10;0;3" "PellickManager;1;0;0;0"
        "Sonavelle5;5;0;0;0")
    list(GET standin_tool 0 standin_name)
    list(GET standin_tool 1 standin_major)
    list(GET standin_tool 2 standin_minor)
    list(GET standin_tool 3 standin_build)
    list(GET standin_tool 4 standin_revision)
    if(standin_name STREQUAL "Sonavelle5")
        set(standin_title "")
        set(standin_place Sonavelle)
    else()
        set(standin_title ${standin_name})
        set(standin_place "")
    endif()
    kestrum_standin(launcher_standin_${standin_name} ${standin_name} GUI PRODUCT
        FOLDER "${standin_place}"
        SOURCES ${standin_dir}/SiblingTool.cpp ${standin_dir}/StandInRecord.cpp ${tool_version}
        DEFINITIONS TOOL_TITLE="${standin_title}" TOOL_MAJOR=${standin_major}
                    TOOL_MINOR=${standin_minor} TOOL_BUILD=${standin_build}
                    TOOL_REVISION=${standin_revision})
endforeach()
# A program that only notes its start, to copy over a product program for a case.
kestrum_standin(launcher_standin_recorder Recorder GUI
    SOURCES ${standin_dir}/SiblingTool.cpp ${standin_dir}/StandInRecord.cpp ${tool_version}
    DEFINITIONS TOOL_TITLE="" TOOL_MAJOR=1 TOOL_MINOR=0 TOOL_BUILD=0 TOOL_REVISION=0)
kestrum_standin(launcher_standin_agent Kestrum4Agent GUI PRODUCT
    SOURCES ${standin_dir}/AgentStandIn.cpp ${standin_dir}/StandInRecord.cpp
    LIBS kestrum_carddata kestrum_lib)
# Put into the prefix's system folder and "C:\kestrum\" by tools/wine-session.
kestrum_standin(launcher_standin_chkdsk chkdsk
    SOURCES ${standin_dir}/ChkdskStandIn.cpp ${standin_dir}/StandInRecord.cpp)
kestrum_standin(launcher_browser_recorder BrowserRecorder
    SOURCES ${CMAKE_SOURCE_DIR}/tests/online/BrowserRecorder.cpp ${standin_dir}/StandInRecord.cpp
    DEFINITIONS RECORDER_DONE_EVENT="KestrumLauncherBrowserDone")

if(TARGET launcher_seams)
    add_dependencies(launcher_product_folder launcher_seams)
endif()
if(TARGET agent_seams)
    add_custom_target(launcher_real_agent
        COMMAND ${CMAKE_COMMAND} -E make_directory ${KESTRUM_STANDIN_FOLDER}/real
        COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:agent_seams>
                ${KESTRUM_STANDIN_FOLDER}/real/
        DEPENDS agent_seams)
    add_dependencies(launcher_product_folder launcher_real_agent)
endif()
