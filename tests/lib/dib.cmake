# DIB images: pixel operations, filters and loading through GDI+.
kestrum_test(lib_dib_test
    SOURCES ${TEST_DIR}/DIBTest.cpp ${TEST_DIR}/DIBTest.rc
    LIBS kestrum_wfc kestrum_lib
    TIMEOUT 180)
# Antialiased text into a DIB, with the Japanese font of the system.
kestrum_test(lib_textantialias_test
    SOURCES ${TEST_DIR}/TextAntialiasTest.cpp
    LIBS kestrum_wfc kestrum_lib
    TIMEOUT 180)
