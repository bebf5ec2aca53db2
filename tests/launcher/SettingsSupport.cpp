// What every test of the settings program shares: a private application folder and the
// window framework over the product's skin.

#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("launcher_settings_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("launcher_settings_test"));

} // namespace
