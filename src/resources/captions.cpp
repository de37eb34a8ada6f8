#include "resources/captions.h"

#include <iterator>

namespace bd {

namespace {

const CaptionRow brRows[] = {
    {"", Prop::WindowTitle, 100, "", ""},         {"cmdPrint", Prop::ToolTip, 256, "", ""},
    {"cmdEdit", Prop::ToolTip, 257, "", ""},      {"cmdRem", Prop::ToolTip, 258, "", ""},
    {"lblBorder", Prop::Caption, 101, "", ""},    {"mnuEmail", Prop::Caption, 254, "", ""},
    {"mnuFile", Prop::Caption, 112, "", ""},      {"mnuPrint", Prop::Caption, 113, "", ""},
    {"mnuPrintPrev", Prop::Caption, 235, "", ""}, {"mnuPrintCat", Prop::Caption, 757, "", ""},
    {"mnuPrintCat", Prop::ToolTip, 758, "", ""},  {"mnuSnapshots", Prop::Caption, 814, "", ""},
    {"mnuTrash", Prop::Caption, 805, "", ""},     {"mnuBrExit", Prop::Caption, 114, "", ""},
    {"mnuRecipe", Prop::Caption, 116, "", ""},    {"mnuRecipeAdd", Prop::Caption, 117, "", ""},
    {"mnuTools", Prop::Caption, 120, "", ""},     {"mnuOps", Prop::Caption, 121, "", ""},
    {"mnuSearch", Prop::Caption, 161, "", ""},    {"mnuCateg", Prop::Caption, 279, "&", ""},
    {"mnuCatEdit", Prop::Caption, 280, "&", ""},  {"mnuCatDel", Prop::Caption, 281, "&", ""},
    {"mnuBackup", Prop::Caption, 282, "", ""},    {"mnuBrEditRec", Prop::Caption, 289, "", ""},
    {"mnuBrRemRec", Prop::Caption, 290, "", ""},  {"mnuHelp", Prop::Caption, 124, "", ""},
    {"mnuBrAbout", Prop::Caption, 226, "", ""},   {"mnuBrContents", Prop::Caption, 227, "", ""},
    {"mnuBrEdit", Prop::Caption, 222, "", ""},    {"mnuBrCopy", Prop::Caption, 223, "", ""},
    {"mnuExport", Prop::Caption, 229, "", ""},    {"mnuPlainText", Prop::Caption, 234, "", ""},
    {"lblIng", Prop::Caption, 102, "", ""},       {"lblPrep", Prop::Caption, 103, "", ""},
    {"lblOther", Prop::Caption, 104, "", ""},     {"cmdPrint", Prop::Caption, 105, "", ""},
    {"cmdEdit", Prop::Caption, 106, "", ""},      {"cmdRem", Prop::Caption, 107, "", ""},
    {"Label4", Prop::Caption, 108, "", ":"},      {"Label5", Prop::Caption, 109, "", ":"},
    {"Label7", Prop::Caption, 110, "", ":"},      {"Label6", Prop::Caption, 111, "", ":"},
    {"lblClickImg", Prop::Caption, 287, "", ""},  {"mnuSaveScaled", Prop::Caption, 967, "", ""},
    {"mnuCook", Prop::Caption, 969, "", ""},      {"mnuShopping", Prop::Caption, 980, "", ""},
    {"spnServings", Prop::ToolTip, 961, "", ""},  {"cboUnits", Prop::ToolTip, 965, "", ""},
    {"cmdAsWritten", Prop::ToolTip, 966, "", ""}, {"mnuCook", Prop::ToolTip, 996, "", ""},
    {"mnuPaste", Prop::Caption, 1410, "", ""},
};

const char* const brFrames[] = {"Frame1", "fraBack", "fraBotLeft", "fraRight", "fraTopLeft", nullptr};
const char* const brButtons[] = {"cmdEdit", "cmdPrint", "cmdRem", nullptr};
const char* const brContent[] = {"txtIng", "txtOther", "txtPrep", "lstRecs", "cboCats", nullptr};
const char* const brPanels[] = {"Picture1", nullptr};
const char* const brLabels[] = {"lblBorder", "lblCT", "lblDC", "lblIng", "lblOther", "lblPrep", "lblPT", "lblYld", nullptr};
const char* const none[] = {nullptr};

// The fields shared by the add and edit windows.
const CaptionRow entryRows[] = {
    {"lblTitle", Prop::Caption, 130, "", ""},
    {"lblIng", Prop::Caption, 102, "", ""},
    {"lblPrep", Prop::Caption, 103, "", ""},
    {"lblOther", Prop::Caption, 104, "", ""},
    {"lblCat", Prop::Caption, 131, "", ""},
    {"lblDeg", Prop::Caption, 153, "\xC2\xB0 (", ")"},
    {"cmdAddImg", Prop::Caption, 132, "", ""},
    {"Label7", Prop::Caption, 108, "", ""},
    {"Label9", Prop::Caption, 109, "", ""},
    {"Label8", Prop::Caption, 110, "", ""},
    {"lblClickImg", Prop::Caption, 287, "", ""},
    {"mnuAFile", Prop::Caption, 112, "", ""},
    {"mnuAExit", Prop::Caption, 114, "", ""},
    {"mnuAHelp", Prop::Caption, 124, "", ""},
};

const CaptionRow addRows[] = {
    {"", Prop::WindowTitle, 154, "", ""},
    {"lblBorder", Prop::Caption, 129, "", ""},
    {"mnuARec", Prop::Caption, 116, "", ""},
    {"mnuABrowse", Prop::Caption, 135, "", ""},
    {"mnuAddEdit", Prop::Caption, 222, "", ""},
    {"mnuAddCopy", Prop::Caption, 223, "", ""},
    {"mnuAddCut", Prop::Caption, 224, "", ""},
    {"mnuAddPaste", Prop::Caption, 225, "", ""},
    {"mnuAddAbout", Prop::Caption, 226, "", ""},
    {"mnuAddHelpContents", Prop::Caption, 227, "", ""},
    {"mnuAddTools", Prop::Caption, 120, "", ""},
    {"mnuImport", Prop::Caption, 230, "", ""},
    {"mnuAddOptions", Prop::Caption, 121, "", ""},
    {"mnuAddRecipe", Prop::Caption, 291, "", ""},
    {"mnuAddImg", Prop::Caption, 292, "", ""},
    {"mnuAddClear", Prop::Caption, 293, "", ""},
    {"cmdAdd", Prop::Caption, 133, "", ""},
    {"cmdClear", Prop::Caption, 134, "", ""},
};

const CaptionRow editRows[] = {
    {"", Prop::WindowTitle, 155, "", ""},
    {"lblBorder", Prop::Caption, 136, "", ""},
    {"mnuHelpAboutEd", Prop::Caption, 226, "", ""},
    {"mnuHelpContentsE", Prop::Caption, 227, "", ""},
    {"mnuEditBrowse", Prop::Caption, 135, "", ""},
    {"mnuEditSaveRec", Prop::Caption, 294, "", ""},
    {"mnuEditAddImg", Prop::Caption, 292, "", ""},
    {"mnuEditAddRec", Prop::Caption, 117, "", ""},
    {"mnuEditRecipe", Prop::Caption, 116, "", ""},
    {"mnuEditCopy", Prop::Caption, 223, "", ""},
    {"mnuEditCut", Prop::Caption, 224, "", ""},
    {"mnuEditPaste", Prop::Caption, 225, "", ""},
    {"mnuEditEdit", Prop::Caption, 222, "", ""},
    {"cmdAdd", Prop::Caption, 160, "", ""},
    {"cmdCancelEdit", Prop::Caption, 159, "", ""},
};

const char* const entryFrames[] = {"Frame1", "fraStatic", "fraDyn", nullptr};
const char* const addButtons[] = {"cmdClear", "cmdAdd", "cmdAddImg", nullptr};
const char* const editButtons[] = {"cmdCancelEdit", "cmdAdd", "cmdAddImg", nullptr};
const char* const entryContent[] = {"txtTitle", "txtIng", "txtOther", "txtPrep", "txtPT", "txtCT", "txtY", "cboACats", nullptr};
const char* const entryPanels[] = {"Picture2", "picAddImg", nullptr};
const char* const entryLabels[] = {"lblBorder", "lblCat", "lblTitle", "lblIng", "lblOther", "lblPrep", nullptr};

const BilingualRow opsRows[] = {
    {"", 156, Bilingual::WindowTitle},
    {"Label1", 148, Bilingual::Label},
    {"Label2", 149, Bilingual::Label},
    {"Label3", 150, Bilingual::Label},
    {"cmdSave", 151, Bilingual::Button},
    {"cmdDis", 152, Bilingual::Button},
};

const char* const opsButtons[] = {"cmdDis", "cmdSave", nullptr};
const char* const opsPanels[] = {"Picture1", nullptr};

const CaptionRow expRows[] = {
    {"", Prop::WindowTitle, 137, "", ""},
    {"lblHeader", Prop::Caption, 169, "", ""},
    {"lblAvail", Prop::Caption, 170, "", ""},
    {"lblRec2Exp", Prop::Caption, 171, "", ""},
    {"lblBrowseFolder", Prop::Caption, 207, "", ""},
    {"lblExpOmit", Prop::Caption, 208, "", ""},
    {"optNoImg", Prop::Caption, 209, "", ""},
    {"optImg", Prop::Caption, 210, "", ""},
    {"lblFile", Prop::Caption, 176, "", ": "},
    {"cmdCancel", Prop::Caption, 198, "", ""},
    {"cmdSaveAs", Prop::Caption, 139, "", ""},
    {"cmdROne", Prop::ToolTip, 355, "", ""},
    {"cmdRAll", Prop::ToolTip, 356, "", ""},
    {"cmdLOne", Prop::ToolTip, 357, "", ""},
    {"cmdLAll", Prop::ToolTip, 358, "", ""},
};
const char* const expSized[] = {"cboCats", "lstExp", "lstRecs", nullptr};

const CaptionRow impRows[] = {
    {"", Prop::WindowTitle, 157, "", ""},
    {"lblHeader", Prop::Caption, 177, "", ""},
    {"cmdChkAll", Prop::Caption, 178, "", ""},
    {"cmdUnchkAll", Prop::Caption, 179, "", ""},
    {"cmdCancel", Prop::Caption, 198, "", ""},
    {"lblImpBrowse", Prop::Caption, 211, "", ""},
    {"lblImpImg", Prop::Caption, 212, "", ""},
    {"optNoImg", Prop::Caption, 214, "", ""},
    {"optYesImg", Prop::Caption, 213, "", ""},
    {"cmdBrowse", Prop::Caption, 139, "", ""},
    {"lblFile", Prop::Caption, 176, "", ": "},
};
const char* const impSized[] = {"lstImpRecs", nullptr};

} // namespace

const CaptionTable kBrCaptions = {brRows, std::size(brRows)};
const ColourTable kBrColours = {brFrames, brButtons, brContent, brPanels, brLabels, none, false};
const CaptionTable kEntryCaptions = {entryRows, std::size(entryRows)};
const CaptionTable kAddCaptions = {addRows, std::size(addRows)};
const CaptionTable kEditCaptions = {editRows, std::size(editRows)};
const ColourTable kAddColours = {entryFrames, addButtons, entryContent, entryPanels, entryLabels, none, false};
const ColourTable kEditColours = {entryFrames, editButtons, entryContent, entryPanels, entryLabels, none, false};

const BilingualTable kOpsCaptions = {opsRows, std::size(opsRows)};
const ColourTable kOpsColours = {none, opsButtons, none, opsPanels, none, none, false};

namespace {

const CaptionRow searchRows[] = {
     {"", Prop::WindowTitle, 203, "", ""},
     {"lblHeader", Prop::Caption, 187, "", ""},
     {"txtKeyword", Prop::Text, 188, "", ""},
     {"cmdSearch", Prop::Caption, 161, "", ""},
     {"cmdCancel", Prop::Caption, 251, "", ""},
};
// The button frame takes the buttons' colour.
const char* const searchButtons[] = {"cmdSearch", "cmdCancel", "fraBtn", nullptr};
const char* const searchContent[] = {"txtKeyword", "lstResults", "lblCount", nullptr};

const CaptionRow plainTextRows[] = {
     {"", Prop::WindowTitle, 231, "", ""},
     {"Command2", Prop::Caption, 232, "", ""},
     {"cmdSave", Prop::Caption, 233, "", ""},
     {"cmdDone", Prop::Caption, 251, "", ""},
};
const char* const plainTextButtons[] = {"cmdDone", "cmdSave", "Command2", nullptr};
const char* const plainTextContent[] = {"text1", nullptr};

} // namespace

const CaptionTable kSearchCaptions = {searchRows, std::size(searchRows)};
const ColourTable kSearchColours = {none, searchButtons, searchContent, none, none, none, false};
const CaptionTable kPlainTextCaptions = {plainTextRows, std::size(plainTextRows)};

namespace {

const CaptionRow pasteRows[] = {
    {"", Prop::WindowTitle, 1411, "", ""},
    {"lblPaste", Prop::Caption, 1412, "", ""},
    {"cmdFill", Prop::Caption, 1413, "", ""},
    {"cmdPasteCancel", Prop::Caption, 1414, "", ""},
};
const char* const pasteButtons[] = {"cmdFill", "cmdPasteCancel", nullptr};
const char* const pasteContent[] = {"txtPaste", nullptr};

} // namespace

const CaptionTable kPasteCaptions = {pasteRows, std::size(pasteRows)};
const ColourTable kPasteColours = {none, pasteButtons, pasteContent, none, none, none, true};
const ColourTable kPlainTextColours = {none, plainTextButtons, plainTextContent, none, none, none, true};

namespace {

const CaptionRow emailRows[] = {
    {"", Prop::WindowTitle, 250, "", ""},
    {"lblBorder", Prop::Caption, 240, "", ""},
    {"lblInetCn", Prop::Caption, 241, "* ", ""},
    {"lblYou", Prop::Caption, 236, "", ""},
    {"lblRecip", Prop::Caption, 237, "", ""},
    {"lblNameY", Prop::Caption, 238, "", ""},
    {"lblNameR", Prop::Caption, 238, "", ""},
    {"lblEmailY", Prop::Caption, 239, "", ""},
    {"lblEmailR", Prop::Caption, 239, "", ""},
    {"cmdChkAll", Prop::Caption, 178, "", ""},
    {"cmdUnchkAll", Prop::Caption, 179, "", ""},
    {"cmdSend", Prop::Caption, 247, "", ""},
    {"cmdCancel", Prop::Caption, 251, "", ""},
    {"cmdCancelSend", Prop::Caption, 159, "", ""},
    {"lblStatus", Prop::Caption, 253, "", ""},
};

const char* const emailFrames[] = {"Picture2", nullptr};
const char* const emailButtons[] = {"cmdChkAll", "cmdUnchkAll", "cmdSend", "cmdCancel", "cmdCancelSend", nullptr};
const char* const emailContent[] = {"lstEmailRecs", "txtRecipE", "txtRecipN", "txtYourE", "txtYourN", nullptr};
const char* const emailPanels[] = {"Picture1", nullptr};
const char* const emailLabels[] = {"lblBorder", "lblYou", "lblRecip", "lblNameR", "lblEmailR", "lblNameY", "lblEmailY",
                                   nullptr};

} // namespace

const CaptionTable kEmailCaptions = {emailRows, std::size(emailRows)};
const ColourTable kEmailColours = {emailFrames, emailButtons, emailContent, emailPanels, emailLabels, none, false};
const CaptionTable kExpCaptions = {expRows, std::size(expRows)};
const ColourTable kExpColours = {none, none, none, none, none, expSized, false};
const CaptionTable kImpCaptions = {impRows, std::size(impRows)};
const ColourTable kImpColours = {none, none, none, none, none, impSized, false};

namespace {
const char* const listButtons[] = {"cmdRestore", "cmdEmpty", "cmdClose", nullptr};
const char* const listContent[] = {"lstTrash", "lstSnaps", nullptr};
} // namespace

const ColourTable kListColours = {none, listButtons, listContent, none, none, none, true};

} // namespace bd
