kestrum_bench(cipher_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/CipherBench.cpp
              LIBS kestrum_carddata advapi32)
