# Simulated SD cards (tools/wine-prefix maps their drive letters) and the builders of the
# unit's card files: for every card test and for the launcher's demo.
file(GLOB cardsim_sources CONFIGURE_DEPENDS ${TEST_DIR}/support/*.cpp)
add_library(kestrum_cardsim STATIC ${cardsim_sources})
target_link_libraries(kestrum_cardsim PUBLIC kestrum_carddata kestrum_lib)
