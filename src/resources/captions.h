#pragma once
// Which control of a window shows which string, and which controls take
// which colour role. Plain data, applied to the widgets by applyCaptions()
// and applyColours() when a window loads.

#include <cstddef>

namespace bd {

enum class Prop { Caption, ToolTip, Text, WindowTitle };

struct CaptionRow {
    const char* control; // objectName; ignored for WindowTitle
    Prop prop;
    int id;              // English string id
    const char* before;  // text put before the fetched string
    const char* after;   // text put after it
};

struct CaptionTable {
    const CaptionRow* rows;
    std::size_t count;
};

// A null-terminated list of objectNames.
using Names = const char* const*;

struct ColourTable {
    Names frames;    // role 4 background
    Names buttons;   // role 0 background
    Names content;   // role 1 background, role 3 text, recipe text size
    Names panels;    // role 1 background only
    Names labels;    // role 2 text
    Names fontSized; // recipe text size only (beyond content)
    bool ownBackground; // the window itself takes role 4
};

extern const CaptionTable kBrCaptions;
extern const ColourTable kBrColours;
// kEntryCaptions: the fields the add and edit windows share.
extern const CaptionTable kEntryCaptions, kAddCaptions, kEditCaptions;
extern const ColourTable kAddColours, kEditColours;

// Captions shown in both languages at once, whatever the current one:
// a label reads "«English» «Spanish»", a button "English" over "Spanish",
// the window title "BD | English | Spanish".
enum class Bilingual { Label, Button, WindowTitle };

struct BilingualRow {
    const char* control; // objectName; ignored for WindowTitle
    int id;              // English string id; its Spanish twin is id + 300
    Bilingual style;
};

struct BilingualTable {
    const BilingualRow* rows;
    std::size_t count;
};

extern const BilingualTable kOpsCaptions;
extern const ColourTable kOpsColours;

extern const CaptionTable kSearchCaptions;
extern const ColourTable kSearchColours;
extern const CaptionTable kPlainTextCaptions;
extern const ColourTable kPlainTextColours;
// The window a recipe is pasted into.
extern const CaptionTable kPasteCaptions;
extern const ColourTable kPasteColours;
// The e-mail window.
extern const CaptionTable kEmailCaptions;
extern const ColourTable kEmailColours;
// The export and import wizards set only the text size of their lists.
extern const CaptionTable kExpCaptions, kImpCaptions;
extern const ColourTable kExpColours, kImpColours;
// The deleted-recipes and snapshot windows: the list takes the recipe text
// size.
extern const ColourTable kListColours;

} // namespace bd
