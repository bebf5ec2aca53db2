# Helpers shared by the test programs (tests/support/TestSupport.h).
kestrum_gtest()
add_library(kestrum_testsupport STATIC ${TEST_DIR}/TestSupport.cpp)
target_link_libraries(kestrum_testsupport PUBLIC kestrum_lib gtest)
