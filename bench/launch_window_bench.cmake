kestrum_bench(launch_window_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/LaunchWindowBench.cpp
              LIBS kestrum_launcher)
kestrum_skin_resources(launch_window_bench product)
