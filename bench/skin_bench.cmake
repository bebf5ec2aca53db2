kestrum_bench(skin_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/SkinBench.cpp
              LIBS kestrum_skintestsupport kestrum_skin kestrum_wfc kestrum_lib)
kestrum_skin_resources(skin_bench product)
