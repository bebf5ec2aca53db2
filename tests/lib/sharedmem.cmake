# Named objects, shared blocks and retrying file operations; the child program is the
# second process of the two-process cases.
kestrum_test(lib_sharedmem_test
    SOURCES ${TEST_DIR}/ShareMemTest.cpp ${TEST_DIR}/BlockShareMemHolderTest.cpp
            ${TEST_DIR}/WinFileSystemLibTest.cpp ${TEST_DIR}/SharedMemTestSupport.cpp
    LIBS kestrum_lib
    TIMEOUT 120
    LOCKS shared_blocks)
kestrum_test_helper(lib_sharedmem_child SOURCES ${TEST_DIR}/ShareMemChild.cpp LIBS kestrum_lib)
add_dependencies(lib_sharedmem_test lib_sharedmem_child)
