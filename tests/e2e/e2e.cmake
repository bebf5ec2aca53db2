# End-to-end roads: each road is one program on the launcher's harness, run by
# tests/e2e/run-road in the end-to-end prefix (tests/e2e/support/Road.h). A road registers
# itself in a file of its own, tests/e2e/road_<name>.cmake:
#
#   kestrum_road(<name> SOURCES ... [LIBS ...] [TIMEOUT s] [LOCKS ...])
#
# which builds the program e2e_<name> into "<build>/tests/e2e/" (beside the product folder,
# where the harness finds it) and registers the CTest test e2e_<name>. Roads hold
# launcher_process (the product folder is the launcher tests' too), shared_blocks and
# e2e_prefix (one road at a time in the prefix); LOCKS adds more.
kestrum_gtest()
add_library(kestrum_roadsupport STATIC ${TEST_DIR}/support/Road.cpp)
target_link_libraries(kestrum_roadsupport PUBLIC kestrum_launchertestsupport kestrum_testsupport
    kestrum_lib gtest)

# The steps the roads share beside it (tests/e2e/RoadSteps.h): the road's product folder, the
# PC's settings and user, the resident agent, the launcher's windows and boxes.
add_library(kestrum_roadsteps STATIC ${TEST_DIR}/RoadSteps.cpp)
target_link_libraries(kestrum_roadsteps PUBLIC kestrum_roadsupport kestrum_launcher
    kestrum_cardsim kestrum_onlinetestsupport kestrum_launchertestsupport kestrum_lib)

set(KESTRUM_ROAD_WRAPPER ${TEST_DIR}/run-road)

function(kestrum_road name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LOCKS" ${ARGN})
    set(road e2e_${name})
    add_executable(${road} ${ARG_SOURCES})
    target_link_libraries(${road} PRIVATE ${ARG_LIBS} kestrum_roadsupport
        kestrum_launchertestsupport kestrum_cardsim kestrum_onlinetestsupport kestrum_testsupport
        kestrum_lib gmock gtest_main)
    set_target_properties(${road} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/e2e)
    add_dependencies(${road} launcher_product_folder)
    add_test(NAME ${road}
        COMMAND ${KESTRUM_ROAD_WRAPPER} ${CMAKE_BINARY_DIR} $<TARGET_FILE:${road}>)
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 420)
    endif()
    set(locks launcher_process shared_blocks e2e_prefix ${ARG_LOCKS})
    set_tests_properties(${road} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS e2e
        RESOURCE_LOCK "${locks}")
endfunction()

# Each road's own file (tests/CMakeLists.txt leaves them to this one).
file(GLOB road_fragments CONFIGURE_DEPENDS ${TEST_DIR}/road_*.cmake)
foreach(road_fragment ${road_fragments})
    include(${road_fragment})
endforeach()

# The wrapper's reset, seen from two roads in a row: what the first leaves behind, the
# second must not find.
kestrum_test_helper(e2e_reset_probe SOURCES ${TEST_DIR}/ResetProbe.cpp
    LIBS kestrum_roadsupport kestrum_launchertestsupport kestrum_testsupport kestrum_lib)
set_target_properties(e2e_reset_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/e2e)
add_test(NAME e2e_reset_test COMMAND /bin/sh -c "\"$0\" \"$1\" \"$2\" leave && \"$0\" \"$1\" \"$2\" check"
    ${KESTRUM_ROAD_WRAPPER} ${CMAKE_BINARY_DIR} $<TARGET_FILE:e2e_reset_probe>)
set_tests_properties(e2e_reset_test PROPERTIES TIMEOUT 180 LABELS e2e
    RESOURCE_LOCK "launcher_process;shared_blocks;e2e_prefix")
