kestrum_bench(http_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/HttpBench.cpp
              LIBS kestrum_online kestrum_onlinetestsupport winhttp)
