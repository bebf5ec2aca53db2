kestrum_bench(drop_unzip_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/DropUnzipBench.cpp
    LIBS kestrum_carddata kestrum_testsupport)
