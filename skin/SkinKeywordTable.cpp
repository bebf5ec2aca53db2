#include "skin/SkinKeywordTable.h"

#include <algorithm>

namespace ui {

namespace {

// Value kinds as the tables write them: a string, a number, the end of the list.
const int32_t S = SKIN_VALUE_STRING;
const int32_t N = SKIN_VALUE_NUMBER;
const int32_t E = SKIN_VALUE_END;

// The table followed by the caption group of the animation and the static images
// (TextPosition twice).
KeywordTable WithCaptionGroup(KeywordTable table)
{
    table.insert(table.end(), {
        KeywordSpec("Text", {S, E}),
        KeywordSpec("TextPosition", {N, N, E}),
        KeywordSpec("TextSize", {N, N, E}),
        KeywordSpec("TextFont", {S, N, N, E}),
        KeywordSpec("TextPosition", {N, N, E}),
        KeywordSpec("TextAntialias", {N, E}),
        KeywordSpec("TextColor", {N, N, N, E}),
    });
    return table;
}

} // namespace

void CheckKeywordGroup(const SkinBlock& block, const KeywordTable& table, KeywordGroup group)
{
    if (group.m_uFirst >= table.size()) return;
    const size_t count = std::min(group.m_uCount, table.size() - group.m_uFirst);
    CheckKeywordParams(block, &table[group.m_uFirst], count);
}

void CheckKeywordIfPresent(const SkinBlock& block, const KeywordTable& table, KeywordGroup group)
{
    if (group.m_uFirst >= table.size() || !block.Has(table[group.m_uFirst].m_strName)) return;
    CheckKeywordGroup(block, table, group);
}

const KeywordSpec& KeywordAt(const KeywordTable& table, KeywordGroup group)
{
    return table.at(group.m_uFirst);
}

const KeywordSpec& ClassKeyword()
{
    static const KeywordSpec spec("Class", {S, E});
    return spec;
}

const KeywordTable& WindowKeywords()
{
    static const KeywordTable table = {
        KeywordSpec("Image", {S, N, N, N, N, E}),
        KeywordSpec("ImageInactive", {S, E}),
        KeywordSpec("Title", {S, E}),
        KeywordSpec("CaptionHeight", {N, E}),
        KeywordSpec("Font", {S, N, N, E}),
    };
    return table;
}

const KeywordTable& ResizableWindowKeywords()
{
    static const KeywordTable table = {
        KeywordSpec("BorderWidth", {N, E}),
        KeywordSpec("DivPoint", {N, N, N, N, E}),
        KeywordSpec("MinSize", {N, N, E}),
        KeywordSpec("LayoutSize", {N, N, E}),
    };
    return table;
}

const KeywordTable& StaticKeywords()
{
    static const KeywordTable table = {
        KeywordSpec("Position", {N, N, E}),
        KeywordSpec("Size", {N, N, E}),
        KeywordSpec("Font", {S, N, N, E}),
        KeywordSpec("Text", {S, E}),
        KeywordSpec("Antialias", {N, E}),
        KeywordSpec("Color", {N, N, N, E}),
        KeywordSpec("Alignment", {N, E}),
    };
    return table;
}

const KeywordTable& ButtonKeywords()
{
    static const KeywordTable table = {
        KeywordSpec("Position", {N, N, E}),
        KeywordSpec("Size", {N, N, E}),
        KeywordSpec("NormalImage", {S, N, N, E}),
        KeywordSpec("PushImage", {S, N, N, E}),
        KeywordSpec("HotNormalImage", {S, N, N, E}),
        KeywordSpec("HotPushImage", {S, N, N, E}),
        KeywordSpec("PushImageShift", {N, N, E}),
        KeywordSpec("ToolTipText", {S, E}),
        KeywordSpec("Image", {S, N, N, E}),
        KeywordSpec("ImageSize", {N, N, E}),
        KeywordSpec("ImageP", {S, N, N, E}),
        KeywordSpec("ToolTipTextP", {S, E}),
        KeywordSpec("DisableImage", {S, N, N, E}),
        KeywordSpec("DisableImageP", {S, N, N, E}),
        KeywordSpec("Text", {S, E}),
        KeywordSpec("Font", {S, N, N, E}),
        KeywordSpec("TextColor", {N, N, N, E}),
        KeywordSpec("TextP", {S, E}),
        KeywordSpec("TextColorNormal", {N, N, N, E}),
        KeywordSpec("TextColorDisable", {N, N, N, E}),
        KeywordSpec("TextColorPush", {N, N, N, E}),
        KeywordSpec("TextColorHotNormal", {N, N, N, E}),
        KeywordSpec("TextColorHotPush", {N, N, N, E}),
        KeywordSpec("Antialias", {N, E}),
        KeywordSpec("TextColorHotNormalShadow", {N, N, N, E}),
        KeywordSpec("TextShadowOffset", {N, E}),
        KeywordSpec("Width", {N, E}),
        KeywordSpec("Divide", {N, N, N, E}),
        KeywordSpec("TextIndent", {N, E}),
    };
    return table;
}

const KeywordTable& AnimationKeywords()
{
    static const KeywordTable table = WithCaptionGroup({
        KeywordSpec("Position", {N, N, E}),
        KeywordSpec("Size", {N, N, E}),
        KeywordSpec("Image", {S, N, N, N, N, E}),
        KeywordSpec("Time", {N, E}),
    });
    return table;
}

const KeywordTable& EditBoxKeywords()
{
    static const KeywordTable table = {
        KeywordSpec("Position", {N, N, E}),
        KeywordSpec("Size", {N, N, E}),
        KeywordSpec("Font", {S, N, N, E}),
        KeywordSpec("Limit", {N, E}),
        KeywordSpec("Frame", {S, N, N, N, N, N, N, N, N, E}),
        KeywordSpec("DisableFrame", {S, N, N, N, N, N, N, N, N, E}),
    };
    return table;
}

const KeywordTable& StaticChangeImageKeywords()
{
    static const KeywordTable table = {
        KeywordSpec("Position", {N, N, E}),
        KeywordSpec("Size", {N, N, E}),
        KeywordSpec("ImageInit", {S, N, N, N, N, E}),
        KeywordSpec("ImageFinish", {S, N, N, N, N, E}),
    };
    return table;
}

const KeywordTable& StaticImageKeywords()
{
    static const KeywordTable table = WithCaptionGroup({
        KeywordSpec("Position", {N, N, E}),
        KeywordSpec("Size", {N, N, E}),
        KeywordSpec("Image", {S, N, N, N, N, E}),
        KeywordSpec("ToolTipText", {S, E}),
        KeywordSpec("Tile", {S, E}),
    });
    return table;
}

const KeywordTable& ResizableStaticImageKeywords()
{
    static const KeywordTable table = WithCaptionGroup({
        KeywordSpec("Position", {N, N, E}),
        KeywordSpec("Size", {N, N, E}),
        KeywordSpec("Image", {S, N, N, N, N, N, N, N, N, E}),
    });
    return table;
}

const KeywordTable& OverlayKeywords()
{
    static const KeywordTable table = {
        KeywordSpec("Image", {S, N, N, N, N, N, N, N, N, E}),
        KeywordSpec("Alpha", {N, E}),
    };
    return table;
}

const KeywordTable& DropWindowKeywords()
{
    static const KeywordTable table = {
        KeywordSpec("Position", {N, N, E}),
        KeywordSpec("Size", {N, N, E}),
    };
    return table;
}

const KeywordTable& ScrollBarKeywords()
{
    static const KeywordTable table = {
        KeywordSpec("Type", {S, E}),
        KeywordSpec("Position", {N, N, E}),
        KeywordSpec("Size", {N, N, E}),
        KeywordSpec("ButtonSize", {N, N, E}),
        KeywordSpec("ThumbSize", {N, N, E}),
        KeywordSpec("ThumbPart", {N, N, N, E}),
        KeywordSpec("BaseImage", {S, N, N, N, N, N, N, E}),
        KeywordSpec("UpButtonImage", {S, N, N, N, N, N, N, N, N, E}),
        KeywordSpec("DownButtonImage", {S, N, N, N, N, N, N, N, N, E}),
        KeywordSpec("ThumbImage", {S, N, N, N, N, N, N, N, N, E}),
        KeywordSpec("UpImage", {S, N, N, N, N, E}),
        KeywordSpec("DownImage", {S, N, N, N, N, E}),
        KeywordSpec("DisableUpImage", {S, N, N, N, N, E}),
        KeywordSpec("DisableDownImage", {S, N, N, N, N, E}),
    };
    return table;
}

const KeywordTable& ButtonListViewKeywords()
{
    static const KeywordTable table = {
        KeywordSpec("Position", {N, N, E}),
        KeywordSpec("Size", {N, N, E}),
        KeywordSpec("Font", {S, N, N, E}),
        KeywordSpec("NormalButton", {S, N, N, N, N, E}),
        KeywordSpec("NormalHotButton", {S, N, N, N, N, E}),
        KeywordSpec("PushedButton", {S, N, N, N, N, E}),
        KeywordSpec("PushedHotButton", {S, N, N, N, N, E}),
        KeywordSpec("NormalHeader", {S, N, N, N, N, N, N, E}),
        KeywordSpec("PushedHeader", {S, N, N, N, N, N, N, E}),
        KeywordSpec("NormalRowCount", {N, E}),
        KeywordSpec("ActiveRow", {S, N, N, N, N, N, N, E}),
        KeywordSpec("LabelCount", {N, E}),
        KeywordSpec("NormalRow", {S, N, N, N, N, N, N, E}),
        KeywordSpec("IconCount", {N, E}),
        KeywordSpec("OnLabel", {S, N, N, N, N, E}),
        KeywordSpec("OffLabel", {S, N, N, N, N, E}),
        KeywordSpec("OnDLabel", {S, N, N, N, N, E}),
        KeywordSpec("OffDLabel", {S, N, N, N, N, E}),
        KeywordSpec("ButtonToolTipText", {S, E}),
        KeywordSpec("ButtonToolTipTextP", {S, E}),
        KeywordSpec("IconImage", {S, N, N, N, N, N, N, E}),
        KeywordSpec("AnimeCount", {N, E}),
        KeywordSpec("AnimeImage", {S, N, N, N, N, N, N, N, E}),
    };
    return table;
}

namespace {

// Built with the program's other constants, before its entry function runs.
[[maybe_unused]] const bool g_bTablesBuilt =
    (ClassKeyword(), WindowKeywords(), ResizableWindowKeywords(), StaticKeywords(),
     ButtonKeywords(), AnimationKeywords(), EditBoxKeywords(), StaticChangeImageKeywords(),
     StaticImageKeywords(), ResizableStaticImageKeywords(), OverlayKeywords(),
     DropWindowKeywords(), ScrollBarKeywords(), ButtonListViewKeywords(), true);

} // namespace

} // namespace ui
