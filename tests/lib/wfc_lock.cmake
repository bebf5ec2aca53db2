# The critical section and its scoped lock (header only: no library to link).
kestrum_test(lib_wfc_lock_test SOURCES ${TEST_DIR}/CriticalSectionTest.cpp TIMEOUT 180)
