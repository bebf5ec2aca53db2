# Road "demo": `./kestrum run --until-shown` as CI runs it (tests/launcher/demo).
kestrum_road(demo SOURCES ${TEST_DIR}/RoadDemo.cpp TIMEOUT 240)
add_dependencies(e2e_demo launcher_demo)
