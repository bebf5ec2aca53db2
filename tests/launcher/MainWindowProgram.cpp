// The main window test program's private application folder and window framework. Kept out
// of the fixture, so that another program compiling the fixture in brings its own.

#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("launcher_main_window_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("launcher_main_window_test"));

} // namespace
