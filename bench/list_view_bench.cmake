kestrum_bench(list_view_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ListViewBench.cpp
              LIBS kestrum_launcher kestrum_skin kestrum_wfc kestrum_lib)
kestrum_skin_resources(list_view_bench product)
