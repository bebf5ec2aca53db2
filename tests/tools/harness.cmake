# The Wine harness's own failures (tools/wine-prefix, tools/wine-session, tools/runs-32bit,
# ./kestrum test's last line), natively with stand-ins of Wine's programs: a real Xvfb, no
# Wine. One test per class of harness_test.py, so that each has a bound of its own.
find_program(KESTRUM_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(KESTRUM_PYTHON NAMES python3)
foreach(part PrefixSteps SessionStart RunsThirtyTwo KestrumTestLine)
    add_test(NAME tools_harness_test.${part}
             COMMAND ${KESTRUM_PYTHON} ${TEST_DIR}/harness_test.py -v ${part})
    set_tests_properties(tools_harness_test.${part} PROPERTIES TIMEOUT 900)
endforeach()
