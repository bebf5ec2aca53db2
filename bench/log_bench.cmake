kestrum_bench(log_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/LogBench.cpp LIBS kestrum_lib)
