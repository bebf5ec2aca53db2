# The agent program itself (its test build, agent_seams) on simulated card D: (see
# tools/wine-prefix), seen through the launcher harness's observer and start record. It
# shares "AGENT_ONLY_ONE", the agent's window title and the card block with the agent
# stand-in that launcher tests start. Its last case runs the product folder's launcher with
# the real agent through the start chain, so it also holds the locks of the launcher's runs.
kestrum_test(agent_program_test
    SOURCES ${TEST_DIR}/AgentProgramTest.cpp ${CMAKE_SOURCE_DIR}/tests/online/WeatherTestSupport.cpp
    LIBS kestrum_launchertestsupport kestrum_onlinetestsupport kestrum_cardsim kestrum_carddata
         kestrum_testsupport kestrum_lib
    TIMEOUT 420
    LOCKS launcher_process shared_blocks mouse_cursor log_upload_cancel version_check_abort
          job_abort)
add_dependencies(agent_program_test agent_seams launcher_standin_recorder
                 launcher_product_folder)
