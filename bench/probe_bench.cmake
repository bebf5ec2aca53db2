kestrum_bench(probe_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ProbeBench.cpp
              LIBS kestrum_cardsim kestrum_carddata kestrum_lib)
