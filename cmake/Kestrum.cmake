# Helpers shared by every folder of the build.

# One static library per subsystem folder, from the sources found in that folder.
function(kestrum_library name)
    cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(NOT sources)
        # A subsystem folder whose first sources are still to come.
        set(sources ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
        file(WRITE ${sources} "")
    endif()
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
endfunction()

# GoogleTest, built once with the cross compiler from Debian's source package.
function(kestrum_gtest)
    if(TARGET gtest)
        return()
    endif()
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endfunction()

# One test executable, registered as one CTest test run under Wine.
#   kestrum_test(name SOURCES ... LIBS ... [NO_MAIN] [OWN_FOLDER] [TIMEOUT s] [LABELS ...]
#                [LOCKS ...])
# LOCKS names what the test holds alone while it runs (CTest never runs two tests that name
# one lock at once): "shared_blocks" for the product's shared memory blocks.
# OWN_FOLDER builds the program into "<build>/tests/<name>/", alone, for tests whose program
# reads files beside itself ("Connection.info", "QZLOG.ini").
function(kestrum_test name)
    cmake_parse_arguments(ARG "NO_MAIN;OWN_FOLDER" "TIMEOUT" "SOURCES;LIBS;LABELS;LOCKS" ${ARGN})
    kestrum_gtest()
    add_executable(${name} ${ARG_SOURCES})
    if(ARG_OWN_FOLDER)
        set_target_properties(${name} PROPERTIES
            RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/${name})
    endif()
    if(ARG_NO_MAIN)
        target_link_libraries(${name} PRIVATE ${ARG_LIBS} gmock gtest)
    else()
        target_link_libraries(${name} PRIVATE ${ARG_LIBS} gmock gtest_main)
    endif()
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 480)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}")
    if(ARG_LOCKS)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${ARG_LOCKS}")
    endif()
endfunction()

# A helper program that tests start (never registered as a test itself).
function(kestrum_test_helper name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
endfunction()

# A benchmark program, run by `./kestrum bench NAME` (never a test).
function(kestrum_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
endfunction()
