kestrum_bench(zip_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ZipBench.cpp LIBS kestrum_carddata kestrum_testsupport)
