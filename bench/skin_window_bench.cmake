kestrum_bench(skin_window_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/SkinWindowBench.cpp
              LIBS kestrum_gallerypages kestrum_gallery)
kestrum_skin_resources(skin_window_bench skintest product)
