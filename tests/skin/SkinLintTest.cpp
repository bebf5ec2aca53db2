// The skin lint: every skin text the launcher ships, loaded as its window loads it, shows
// no "Skin Load" box, and every image a text names is among the resources. A failure lists
// each text and what its user would read.
#include "tests/skin/support/SkinTestSupport.h"

#include <gtest/gtest.h>

namespace {

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

} // namespace
