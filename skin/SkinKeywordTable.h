#pragma once
// The keyword tables of the skin blocks: for the window's own block, the resizable window's
// block and each item kind, the keywords it reads in a fixed order with the number of values
// each takes. A group is a run of consecutive entries that is checked as a whole; a single
// keyword is a group of one. Each table is built on its first use and lives until the process
// ends, so static initialisers of any file may reach it.
//
// An item kind checks its block while it reads it:
//     const KeywordTable& table = StaticKeywords();
//     CheckKeywordGroup(block, table, keyword::kStaticRequired);     // always
//     CheckKeywordIfPresent(block, table, keyword::kStaticText);     // only when written
// When the other groups apply is the item kind's own rule.

#include "skin/SkinDefinition.h"
#include "skin/SkinKeyword.h"

#include <cstddef>
#include <vector>

namespace ui {

typedef std::vector<KeywordSpec> KeywordTable;

struct KeywordGroup {
    size_t m_uFirst;
    size_t m_uCount;
};

// Checks the group's specs in order (CheckKeywordParams).
void CheckKeywordGroup(const SkinBlock& block, const KeywordTable& table, KeywordGroup group);
// Checks the group only when the block holds the group's first keyword.
void CheckKeywordIfPresent(const SkinBlock& block, const KeywordTable& table, KeywordGroup group);
// The spec that starts a group (for DefaultSkinKey).
const KeywordSpec& KeywordAt(const KeywordTable& table, KeywordGroup group);

// "Class", one string: checked in any block that holds it.
const KeywordSpec& ClassKeyword();

const KeywordTable& WindowKeywords();                // ui::CSkinWindow
const KeywordTable& ResizableWindowKeywords();       // ui::CResizableSkinWindow
const KeywordTable& StaticKeywords();                // ui::CSkinWindowItemStatic
const KeywordTable& ButtonKeywords();                // button and toggle button
const KeywordTable& AnimationKeywords();             // ui::CSkinWindowItemAnimation
const KeywordTable& EditBoxKeywords();               // ui::CSkinWindowItemEditBox
const KeywordTable& StaticChangeImageKeywords();     // ui::CSkinWindowItemStaticChangeImage
const KeywordTable& StaticImageKeywords();           // ui::CSkinWindowItemStaticImage
const KeywordTable& ResizableStaticImageKeywords();  // ui::CSkinWindowItemResizableStaticImage
const KeywordTable& OverlayKeywords();               // ui::CSkinWindowItemOverlay
const KeywordTable& DropWindowKeywords();            // ui::CSkinWindowItemDropWindow
const KeywordTable& ScrollBarKeywords();             // ui::CSkinWindowItemScrollBar
const KeywordTable& ButtonListViewKeywords();        // ui::CButtonListView

namespace keyword {

// Window: Image, ImageInactive, Title, CaptionHeight, Font.
const KeywordGroup kWindowRequired = {0, 5};

// Resizable window, after the window's own group: BorderWidth, DivPoint, MinSize, LayoutSize.
const KeywordGroup kResizableWindowRequired = {0, 4};

// Static text: Position, Size, Font; then Text, Antialias, Color, Alignment when written.
const KeywordGroup kStaticRequired = {0, 3};
const KeywordGroup kStaticText = {3, 1};
const KeywordGroup kStaticAntialias = {4, 1};
const KeywordGroup kStaticColor = {5, 1};
const KeywordGroup kStaticAlignment = {6, 1};

// Button.
const KeywordGroup kButtonA = {0, 8};             // Position .. ToolTipText
const KeywordGroup kButtonB = {8, 2};             // Image, ImageSize
const KeywordGroup kButtonImageP = {10, 1};
const KeywordGroup kButtonToolTipTextP = {11, 1};
const KeywordGroup kButtonDisableImage = {12, 1};
const KeywordGroup kButtonDisableImageP = {13, 1};
const KeywordGroup kButtonC = {14, 3};            // Text, Font, TextColor
const KeywordGroup kButtonTextP = {17, 1};
const KeywordGroup kButtonD = {18, 5};            // TextColorNormal .. TextColorHotPush
const KeywordGroup kButtonAntialias = {23, 1};
const KeywordGroup kButtonE = {24, 2};            // TextColorHotNormalShadow, TextShadowOffset
const KeywordGroup kButtonF = {26, 2};            // Width, Divide
const KeywordGroup kButtonTextIndent = {28, 1};

// Animation: Position, Size, Image, Time; the caption group of seven.
const KeywordGroup kAnimationRequired = {0, 4};
const KeywordGroup kAnimationText = {4, 7};

// Edit box: Position, Size, Font; then Limit, Frame, DisableFrame when written.
const KeywordGroup kEditBoxRequired = {0, 3};
const KeywordGroup kEditBoxLimit = {3, 1};
const KeywordGroup kEditBoxFrame = {4, 1};
const KeywordGroup kEditBoxDisableFrame = {5, 1};

// Static change image: Position, Size, ImageInit, ImageFinish.
const KeywordGroup kStaticChangeImageRequired = {0, 4};

// Static image: Position, Size, Image; ToolTipText, Tile when written; the caption group.
const KeywordGroup kStaticImageRequired = {0, 3};
const KeywordGroup kStaticImageToolTipText = {3, 1};
const KeywordGroup kStaticImageTile = {4, 1};
const KeywordGroup kStaticImageText = {5, 7};

// Resizable static image: Position, Size, Image; the caption group.
const KeywordGroup kResizableStaticImageRequired = {0, 3};
const KeywordGroup kResizableStaticImageText = {3, 7};

// Overlay: Image; Alpha when written.
const KeywordGroup kOverlayRequired = {0, 1};
const KeywordGroup kOverlayAlpha = {1, 1};

// Drop target: Position, Size.
const KeywordGroup kDropWindowRequired = {0, 2};

// Scroll bar: Type, Position, Size; then the eleven of its parts.
const KeywordGroup kScrollBarOne = {0, 3};
const KeywordGroup kScrollBarTwo = {3, 11};

// Button list view: the twelve it always reads; the others one by one.
const KeywordGroup kButtonListViewRequired = {0, 12};
const KeywordGroup kButtonListViewNormalRow = {12, 1};
const KeywordGroup kButtonListViewIconCount = {13, 1};
const KeywordGroup kButtonListViewOnLabel = {14, 1};
const KeywordGroup kButtonListViewOffLabel = {15, 1};
const KeywordGroup kButtonListViewOnDLabel = {16, 1};
const KeywordGroup kButtonListViewOffDLabel = {17, 1};
const KeywordGroup kButtonListViewButtonToolTipText = {18, 1};
const KeywordGroup kButtonListViewButtonToolTipTextP = {19, 1};
const KeywordGroup kButtonListViewIconImage = {20, 1};
const KeywordGroup kButtonListViewAnimeCount = {21, 1};
const KeywordGroup kButtonListViewAnimeImage = {22, 1};

} // namespace keyword

} // namespace ui
