# Helpers shared by the test programs (tests/support/TestSupport.h, AgentBlock.h).
kestrum_gtest()
add_library(kestrum_testsupport STATIC ${TEST_DIR}/TestSupport.cpp ${TEST_DIR}/AgentBlock.cpp)
target_link_libraries(kestrum_testsupport PUBLIC kestrum_lib gtest)
