# The card-watching agent: its drive watcher over scripted drives (in-process, the real
# shared card block).
kestrum_test(agent_watcher_test SOURCES ${TEST_DIR}/AgentWatcherTest.cpp
             LIBS kestrum_agent kestrum_testsupport kestrum_lib LOCKS shared_blocks)
