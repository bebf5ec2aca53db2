// The skin lint: every skin text the launcher ships, loaded as its window loads it, shows
// no "Skin Load" box, and every image a text names is among the resources; every product
// window of the gallery's pages is built (its blocks checked by its items) without a box. A
// failure lists each text or window and what its user would read.
#include "tests/gallery/Gallery.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"

#include <gtest/gtest.h>

namespace {

::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("skin_lint_test"));

TEST(ProductSkinLintTest, EveryTextLoadsWithoutABox)
{
    const std::vector<std::string> texts = skintest::ListSkinTexts(nullptr);
    // The shared texts every window includes.
    for (const char* shared : {"COMMON.TXT", "DEFAULTUISTRING.TXT", "ATLAS.TXT"}) {
        EXPECT_NE(std::find(texts.begin(), texts.end(), shared), texts.end()) << shared;
    }
    const std::vector<skintest::LintFinding> findings = skintest::LintSkinTexts(nullptr);
    EXPECT_TRUE(findings.empty()) << skintest::FormatFindings(findings);
}

TEST(ProductSkinLintTest, EveryWindowBuildsWithoutABox)
{
    std::vector<skintest::LintFinding> findings;
    for (const gallery::Page& page : gallery::Pages()) {
        if (page.m_eKind != gallery::PAGE_PRODUCT) continue;
        const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] { page.m_pfnBuild(); });
        for (const std::string& box : errors.m_vBox) {
            findings.push_back(skintest::LintFinding{page.m_pszName, box});
        }
    }
    EXPECT_TRUE(findings.empty()) << skintest::FormatFindings(findings);
}

} // namespace
