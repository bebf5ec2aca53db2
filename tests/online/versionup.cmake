# Version check and package downloads. The test program is built into a folder of its own
# (its "Connection.info" points the version request at the stand-in), and so are stand-ins
# of the four programs that the version check reads beside the launcher: the running
# program's folder is the launcher's.
kestrum_test(online_versionup_test
    SOURCES ${TEST_DIR}/VersionCheckTest.cpp ${TEST_DIR}/PackageDownloadTest.cpp
    LIBS kestrum_onlinetestsupport kestrum_online kestrum_testsupport kestrum_lib
    OWN_FOLDER
    LOCKS version_check_abort)

function(kestrum_versionup_program name major minor build revision)
    set(target online_versionup_${name})
    kestrum_test_helper(${target}
        SOURCES ${TEST_DIR}/SiblingToolStandIn.cpp ${TEST_DIR}/SiblingToolVersion.rc)
    target_compile_definitions(${target} PRIVATE TOOL_MAJOR=${major} TOOL_MINOR=${minor}
                               TOOL_BUILD=${build} TOOL_REVISION=${revision})
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name}
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/online_versionup_test)
    add_dependencies(online_versionup_test ${target})
endfunction()
kestrum_versionup_program(Launcher 4 1 17 0)
kestrum_versionup_program(Dapplegate 4 1 17 5)
kestrum_versionup_program(Mendrill 2 10 0 3)
kestrum_versionup_program(PellickManager 1 0 0 0)
