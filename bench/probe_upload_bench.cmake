kestrum_bench(probe_upload_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ProbeUploadBench.cpp
              LIBS kestrum_onlinetestsupport kestrum_cardsim kestrum_online kestrum_carddata
                   kestrum_lib winhttp)
