# The version-up window against the stand-in version-up service and a stand-in updater
# window of its own thread. The updater is found by class and title, so no other test's
# updater may run meanwhile (launcher_process). Its "Connection.info" lies beside its program,
# and so do stand-ins of the four programs whose versions the check reads.
kestrum_test(launcher_silentinstall_test
    SOURCES ${TEST_DIR}/SilentInstallTest.cpp
    LIBS kestrum_launcher kestrum_launchertestsupport kestrum_onlinetestsupport
         kestrum_skintestsupport kestrum_testsupport
    OWN_FOLDER
    TIMEOUT 720
    LOCKS launcher_process version_check_abort)
kestrum_skin_resources(launcher_silentinstall_test product)

# Stand-ins of the programs named (of the four) beside a test program, at the versions its
# service compares.
function(kestrum_verup_siblings test)
    foreach(program "Launcher 4 1 17 0" "Dapplegate 4 1 17 5" "Mendrill 2 10 0 3"
                    "PellickManager 1 0 0 0")
        separate_arguments(program)
        list(GET program 0 name)
        if(NOT name IN_LIST ARGN)
            continue()
        endif()
        list(GET program 1 major)
        list(GET program 2 minor)
        list(GET program 3 build)
        list(GET program 4 revision)
        set(target ${test}_${name})
        kestrum_test_helper(${target}
            SOURCES ${CMAKE_SOURCE_DIR}/tests/online/SiblingToolStandIn.cpp
                    ${CMAKE_SOURCE_DIR}/tests/online/SiblingToolVersion.rc)
        target_compile_definitions(${target} PRIVATE TOOL_MAJOR=${major} TOOL_MINOR=${minor}
                                   TOOL_BUILD=${build} TOOL_REVISION=${revision})
        set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name}
            RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/${test})
        add_dependencies(${test} ${target})
    endforeach()
endfunction()
kestrum_verup_siblings(launcher_silentinstall_test Launcher Dapplegate Mendrill PellickManager)
