// The keyword tables of the skin blocks, entry by entry and group by group, and the checks
// the window and item kinds make with them.

#include "skin/SkinKeywordTable.h"
#include "skin/SkinParser.h"
#include "tests/skin/support/SkinTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// "Name:kinds" per entry, s for a string and n for a number: "Image:snnnn Title:s".
std::string Describe(const ui::KeywordTable& table, ui::KeywordGroup group)
{
    std::string text;
    for (size_t i = group.m_uFirst; i < group.m_uFirst + group.m_uCount && i < table.size(); ++i) {
        if (!text.empty()) text += ' ';
        text += table[i].m_strName + ":";
        for (int32_t kind : table[i].m_vKind) text += kind == ui::SKIN_VALUE_STRING ? 's' : 'n';
    }
    return text;
}

std::string Describe(const ui::KeywordTable& table)
{
    return Describe(table, ui::KeywordGroup{0, table.size()});
}

const char kCaptionGroup[] = "Text:s TextPosition:nn TextSize:nn TextFont:snn TextPosition:nn "
                             "TextAntialias:n TextColor:nnn";

TEST(SkinKeywordTableTest, EveryTableInItsOrder)
{
    const std::string caption = kCaptionGroup;
    const struct {
        const char* name;
        const ui::KeywordTable& table;
        std::string entries;
    } tables[] = {
        {"window", ui::WindowKeywords(),
         "Image:snnnn ImageInactive:s Title:s CaptionHeight:n Font:snn"},
        {"resizable window", ui::ResizableWindowKeywords(),
         "BorderWidth:n DivPoint:nnnn MinSize:nn LayoutSize:nn"},
        {"static", ui::StaticKeywords(),
         "Position:nn Size:nn Font:snn Text:s Antialias:n Color:nnn Alignment:n"},
        {"button", ui::ButtonKeywords(),
         "Position:nn Size:nn NormalImage:snn PushImage:snn HotNormalImage:snn HotPushImage:snn "
         "PushImageShift:nn ToolTipText:s Image:snn ImageSize:nn ImageP:snn ToolTipTextP:s "
         "DisableImage:snn DisableImageP:snn Text:s Font:snn TextColor:nnn TextP:s "
         "TextColorNormal:nnn TextColorDisable:nnn TextColorPush:nnn TextColorHotNormal:nnn "
         "TextColorHotPush:nnn Antialias:n TextColorHotNormalShadow:nnn TextShadowOffset:n "
         "Width:n Divide:nnn TextIndent:n"},
        {"animation", ui::AnimationKeywords(),
         "Position:nn Size:nn Image:snnnn Time:n " + caption},
        {"edit box", ui::EditBoxKeywords(),
         "Position:nn Size:nn Font:snn Limit:n Frame:snnnnnnnn DisableFrame:snnnnnnnn"},
        {"static change image", ui::StaticChangeImageKeywords(),
         "Position:nn Size:nn ImageInit:snnnn ImageFinish:snnnn"},
        {"static image", ui::StaticImageKeywords(),
         "Position:nn Size:nn Image:snnnn ToolTipText:s Tile:s " + caption},
        {"resizable static image", ui::ResizableStaticImageKeywords(),
         "Position:nn Size:nn Image:snnnnnnnn " + caption},
        {"overlay", ui::OverlayKeywords(), "Image:snnnnnnnn Alpha:n"},
        {"drop window", ui::DropWindowKeywords(), "Position:nn Size:nn"},
        {"scroll bar", ui::ScrollBarKeywords(),
         "Type:s Position:nn Size:nn ButtonSize:nn ThumbSize:nn ThumbPart:nnn "
         "BaseImage:snnnnnn UpButtonImage:snnnnnnnn DownButtonImage:snnnnnnnn "
         "ThumbImage:snnnnnnnn UpImage:snnnn DownImage:snnnn DisableUpImage:snnnn "
         "DisableDownImage:snnnn"},
        {"button list view", ui::ButtonListViewKeywords(),
         "Position:nn Size:nn Font:snn NormalButton:snnnn NormalHotButton:snnnn "
         "PushedButton:snnnn PushedHotButton:snnnn NormalHeader:snnnnnn PushedHeader:snnnnnn "
         "NormalRowCount:n ActiveRow:snnnnnn LabelCount:n NormalRow:snnnnnn IconCount:n "
         "OnLabel:snnnn OffLabel:snnnn OnDLabel:snnnn OffDLabel:snnnn ButtonToolTipText:s "
         "ButtonToolTipTextP:s IconImage:snnnnnn AnimeCount:n AnimeImage:snnnnnnn"},
    };
    for (const auto& t : tables) EXPECT_EQ(Describe(t.table), t.entries) << t.name;
    EXPECT_EQ(ui::ClassKeyword().m_strName, "Class");
    EXPECT_EQ(ui::ClassKeyword().m_vKind, std::vector<int32_t>{ui::SKIN_VALUE_STRING});
}

TEST(SkinKeywordTableTest, GroupsCoverTheirRuns)
{
    namespace k = ui::keyword;
    const struct {
        const ui::KeywordTable& table;
        ui::KeywordGroup group;
        const char* entries;
    } groups[] = {
        {ui::WindowKeywords(), k::kWindowRequired,
         "Image:snnnn ImageInactive:s Title:s CaptionHeight:n Font:snn"},
        {ui::ResizableWindowKeywords(), k::kResizableWindowRequired,
         "BorderWidth:n DivPoint:nnnn MinSize:nn LayoutSize:nn"},
        {ui::StaticKeywords(), k::kStaticRequired, "Position:nn Size:nn Font:snn"},
        {ui::StaticKeywords(), k::kStaticText, "Text:s"},
        {ui::StaticKeywords(), k::kStaticAntialias, "Antialias:n"},
        {ui::StaticKeywords(), k::kStaticColor, "Color:nnn"},
        {ui::StaticKeywords(), k::kStaticAlignment, "Alignment:n"},
        {ui::ButtonKeywords(), k::kButtonA,
         "Position:nn Size:nn NormalImage:snn PushImage:snn HotNormalImage:snn HotPushImage:snn "
         "PushImageShift:nn ToolTipText:s"},
        {ui::ButtonKeywords(), k::kButtonB, "Image:snn ImageSize:nn"},
        {ui::ButtonKeywords(), k::kButtonImageP, "ImageP:snn"},
        {ui::ButtonKeywords(), k::kButtonToolTipTextP, "ToolTipTextP:s"},
        {ui::ButtonKeywords(), k::kButtonDisableImage, "DisableImage:snn"},
        {ui::ButtonKeywords(), k::kButtonDisableImageP, "DisableImageP:snn"},
        {ui::ButtonKeywords(), k::kButtonC, "Text:s Font:snn TextColor:nnn"},
        {ui::ButtonKeywords(), k::kButtonTextP, "TextP:s"},
        {ui::ButtonKeywords(), k::kButtonD,
         "TextColorNormal:nnn TextColorDisable:nnn TextColorPush:nnn TextColorHotNormal:nnn "
         "TextColorHotPush:nnn"},
        {ui::ButtonKeywords(), k::kButtonAntialias, "Antialias:n"},
        {ui::ButtonKeywords(), k::kButtonE, "TextColorHotNormalShadow:nnn TextShadowOffset:n"},
        {ui::ButtonKeywords(), k::kButtonF, "Width:n Divide:nnn"},
        {ui::ButtonKeywords(), k::kButtonTextIndent, "TextIndent:n"},
        {ui::AnimationKeywords(), k::kAnimationRequired,
         "Position:nn Size:nn Image:snnnn Time:n"},
        {ui::AnimationKeywords(), k::kAnimationText, kCaptionGroup},
        {ui::EditBoxKeywords(), k::kEditBoxRequired, "Position:nn Size:nn Font:snn"},
        {ui::EditBoxKeywords(), k::kEditBoxLimit, "Limit:n"},
        {ui::EditBoxKeywords(), k::kEditBoxFrame, "Frame:snnnnnnnn"},
        {ui::EditBoxKeywords(), k::kEditBoxDisableFrame, "DisableFrame:snnnnnnnn"},
        {ui::StaticChangeImageKeywords(), k::kStaticChangeImageRequired,
         "Position:nn Size:nn ImageInit:snnnn ImageFinish:snnnn"},
        {ui::StaticImageKeywords(), k::kStaticImageRequired, "Position:nn Size:nn Image:snnnn"},
        {ui::StaticImageKeywords(), k::kStaticImageToolTipText, "ToolTipText:s"},
        {ui::StaticImageKeywords(), k::kStaticImageTile, "Tile:s"},
        {ui::StaticImageKeywords(), k::kStaticImageText, kCaptionGroup},
        {ui::ResizableStaticImageKeywords(), k::kResizableStaticImageRequired,
         "Position:nn Size:nn Image:snnnnnnnn"},
        {ui::ResizableStaticImageKeywords(), k::kResizableStaticImageText, kCaptionGroup},
        {ui::OverlayKeywords(), k::kOverlayRequired, "Image:snnnnnnnn"},
        {ui::OverlayKeywords(), k::kOverlayAlpha, "Alpha:n"},
        {ui::DropWindowKeywords(), k::kDropWindowRequired, "Position:nn Size:nn"},
        {ui::ScrollBarKeywords(), k::kScrollBarOne, "Type:s Position:nn Size:nn"},
        {ui::ScrollBarKeywords(), k::kScrollBarTwo,
         "ButtonSize:nn ThumbSize:nn ThumbPart:nnn BaseImage:snnnnnn UpButtonImage:snnnnnnnn "
         "DownButtonImage:snnnnnnnn ThumbImage:snnnnnnnn UpImage:snnnn DownImage:snnnn "
         "DisableUpImage:snnnn DisableDownImage:snnnn"},
        {ui::ButtonListViewKeywords(), k::kButtonListViewRequired,
         "Position:nn Size:nn Font:snn NormalButton:snnnn NormalHotButton:snnnn "
         "PushedButton:snnnn PushedHotButton:snnnn NormalHeader:snnnnnn PushedHeader:snnnnnn "
         "NormalRowCount:n ActiveRow:snnnnnn LabelCount:n"},
        {ui::ButtonListViewKeywords(), k::kButtonListViewNormalRow, "NormalRow:snnnnnn"},
        {ui::ButtonListViewKeywords(), k::kButtonListViewIconCount, "IconCount:n"},
        {ui::ButtonListViewKeywords(), k::kButtonListViewOnLabel, "OnLabel:snnnn"},
        {ui::ButtonListViewKeywords(), k::kButtonListViewOffLabel, "OffLabel:snnnn"},
        {ui::ButtonListViewKeywords(), k::kButtonListViewOnDLabel, "OnDLabel:snnnn"},
        {ui::ButtonListViewKeywords(), k::kButtonListViewOffDLabel, "OffDLabel:snnnn"},
        {ui::ButtonListViewKeywords(), k::kButtonListViewButtonToolTipText, "ButtonToolTipText:s"},
        {ui::ButtonListViewKeywords(), k::kButtonListViewButtonToolTipTextP,
         "ButtonToolTipTextP:s"},
        {ui::ButtonListViewKeywords(), k::kButtonListViewIconImage, "IconImage:snnnnnn"},
        {ui::ButtonListViewKeywords(), k::kButtonListViewAnimeCount, "AnimeCount:n"},
        {ui::ButtonListViewKeywords(), k::kButtonListViewAnimeImage, "AnimeImage:snnnnnnn"},
    };
    for (const auto& g : groups) {
        EXPECT_LE(g.group.m_uFirst + g.group.m_uCount, g.table.size()) << g.entries;
        EXPECT_EQ(Describe(g.table, g.group), g.entries);
    }
}

// One block of a small skin text, parsed as the window would read it.
ui::SkinBlock ParseBlock(const std::wstring& text)
{
    ui::SkinDefinition definition;
    std::vector<std::string> includes;
    std::vector<std::string> languages;
    ui::ParseSkinText("Table.txt", {L"<header>", text}, definition, includes, languages);
    return definition.m_mapBlock.begin()->second;
}

std::string Check(const ui::SkinBlock& block, const ui::KeywordTable& table,
                  ui::KeywordGroup group, bool ifPresent)
{
    const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] {
        if (ifPresent) {
            ui::CheckKeywordIfPresent(block, table, group);
        } else {
            ui::CheckKeywordGroup(block, table, group);
        }
    });
    EXPECT_LE(errors.m_vBox.size(), 1u);
    return errors.m_strThrown;
}

TEST(SkinKeywordTableTest, ChecksWithTheTables)
{
    namespace k = ui::keyword;
    const std::wstring window =
        L"Image = \"B.png\", 0, 0, 10, 10; ImageInactive = \"I.png\"; CaptionHeight = 32; "
        L"Font = \"F\", 12, 400;";
    const struct {
        const char* name;
        std::wstring text;
        const ui::KeywordTable& table;
        ui::KeywordGroup group;
        bool ifPresent;
        const char* error;
    } cases[] = {
        {"window", L"Base { " + window + L" Title = \"T\"; }", ui::WindowKeywords(),
         k::kWindowRequired, false, ""},
        {"window, two titles", L"Base { " + window + L" Title = \"A\", \"B\"; }",
         ui::WindowKeywords(), k::kWindowRequired, false,
         "Base/Titleのパラメータは 1個必要ですが、2個指定されています"},
        // Nothing between the equals sign and the semicolon is one empty value.
        {"window, empty title", L"Base { " + window + L" Title = ; }", ui::WindowKeywords(),
         k::kWindowRequired, false, ""},
        {"window, no title", L"Base { " + window + L" }", ui::WindowKeywords(),
         k::kWindowRequired, false, "Base/Titleが定義されていません"},
        {"drop target", L"Drop { Position = 1, 2; Size = 3, 4; }", ui::DropWindowKeywords(),
         k::kDropWindowRequired, false, ""},
        {"drop target, one position value", L"Drop { Position = 1; Size = 3, 4; }",
         ui::DropWindowKeywords(), k::kDropWindowRequired, false,
         "Drop/Positionのパラメータは 2個必要です"},
        {"static, no text", L"S { Position = 1, 2; }", ui::StaticKeywords(), k::kStaticText,
         true, ""},
        {"static, text of two", L"S { Text = \"a\", \"b\"; }", ui::StaticKeywords(),
         k::kStaticText, true, "S/Textのパラメータは 1個必要ですが、2個指定されています"},
        {"static, colour of two", L"S { Color = 1, 2; }", ui::StaticKeywords(), k::kStaticColor,
         true, "S/Colorのパラメータは 3個必要です"},
        {"overlay alpha absent", L"O { Image = \"P.png\", 1, 2, 3, 4, 5, 6, 7, 8; }",
         ui::OverlayKeywords(), k::kOverlayAlpha, true, ""},
        {"button caption group, font missing", L"B { Text = \"OK\"; TextColor = 1, 2, 3; }",
         ui::ButtonKeywords(), k::kButtonC, false, "B/Fontが定義されていません"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Check(ParseBlock(c.text), c.table, c.group, c.ifPresent), c.error) << c.name;
    }
}

TEST(SkinKeywordTableTest, ButtonWithoutImagePTakesItsImage)
{
    ui::SkinBlock block = ParseBlock(L"B { Image = \"I.png\", 0, 16; }");
    const ui::KeywordSpec& imageP = ui::KeywordAt(ui::ButtonKeywords(), ui::keyword::kButtonImageP);
    const skintest::SkinErrors errors =
        skintest::CatchSkinErrors([&] { ui::DefaultSkinKey(block, imageP, "Image"); });
    EXPECT_TRUE(errors.m_vBox.empty());
    EXPECT_EQ(block.m_mapKeyword.at("ImageP"), (ui::SkinValues{"I.png", "0", "16"}));
}

} // namespace
