# The version-up window against the stand-in version-up service and a stand-in updater
# window of its own thread. The updater is found by class and title, so no other test's
# updater may run meanwhile (launcher_process). Its "Connection.info" lies beside its program,
# and so do stand-ins of the four programs whose versions the check reads.
kestrum_test(launcher_silentinstall_test
    SOURCES ${TEST_DIR}/SilentInstallTest.cpp
    LIBS kestrum_launcher kestrum_launchertestsupport kestrum_onlinetestsupport
         kestrum_skintestsupport kestrum_testsupport
    OWN_FOLDER
    TIMEOUT 300
    LOCKS launcher_process)
kestrum_skin_resources(launcher_silentinstall_test product)

function(kestrum_silentinstall_program name major minor build revision)
    set(target launcher_silentinstall_${name})
    kestrum_test_helper(${target}
        SOURCES ${CMAKE_SOURCE_DIR}/tests/online/SiblingToolStandIn.cpp
                ${CMAKE_SOURCE_DIR}/tests/online/SiblingToolVersion.rc)
    target_compile_definitions(${target} PRIVATE TOOL_MAJOR=${major} TOOL_MINOR=${minor}
                               TOOL_BUILD=${build} TOOL_REVISION=${revision})
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name}
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/launcher_silentinstall_test)
    add_dependencies(launcher_silentinstall_test ${target})
endfunction()
kestrum_silentinstall_program(Launcher 4 1 17 0)
kestrum_silentinstall_program(Dapplegate 4 1 17 5)
kestrum_silentinstall_program(Mendrill 2 10 0 3)
kestrum_silentinstall_program(PellickManager 1 0 0 0)
