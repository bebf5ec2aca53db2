kestrum_test(carddata_zip_test
    SOURCES ${TEST_DIR}/ZipTest.cpp ${TEST_DIR}/GZipTest.cpp
    LIBS kestrum_carddata kestrum_testsupport)
# Zip entries carry local times: the expected stamps are written for Tokyo (no summer time).
set_tests_properties(carddata_zip_test PROPERTIES ENVIRONMENT "TZ=Asia/Tokyo")
