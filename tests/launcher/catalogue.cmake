# The user message catalogue and the launcher's common message box (real boxes of the
# product's skin, pressed from a thread timer).
kestrum_test(launcher_catalogue_test
    SOURCES ${TEST_DIR}/CatalogueTest.cpp
    LIBS kestrum_launcher kestrum_skintestsupport kestrum_testsupport
    TIMEOUT 120)
kestrum_skin_resources(launcher_catalogue_test product)
