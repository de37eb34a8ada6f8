#include "resources/captions.h"

#include <iterator>

namespace bd {

namespace {

const CaptionRow brRows[] = {
     {"", Prop::WindowTitle, 100, "", ""},
     {"cmdPrint", Prop::ToolTip, 256, "", ""},
     {"cmdEdit", Prop::ToolTip, 257, "", ""},
     {"cmdRem", Prop::ToolTip, 258, "", ""},
     {"lblBorder", Prop::Caption, 101, "", ""},
     {"mnuEmail", Prop::Caption, 254, "", ""},
     {"mnuFile", Prop::Caption, 112, "", ""},
     {"mnuPrint", Prop::Caption, 113, "", ""},
     {"mnuPrintPrev", Prop::Caption, 235, "", ""},
     {"mnuBrExit", Prop::Caption, 114, "", ""},
     {"mnuRecipe", Prop::Caption, 116, "", ""},
     {"mnuRecipeAdd", Prop::Caption, 117, "", ""},
     {"mnuTools", Prop::Caption, 120, "", ""},
     {"mnuOps", Prop::Caption, 121, "", ""},
     {"mnuSearch", Prop::Caption, 161, "", ""},
     {"mnuCateg", Prop::Caption, 279, "&", ""},
     {"mnuCatEdit", Prop::Caption, 280, "&", ""},
     {"mnuCatDel", Prop::Caption, 281, "&", ""},
     {"mnuBackup", Prop::Caption, 282, "", ""},
     {"mnuBrEditRec", Prop::Caption, 289, "", ""},
     {"mnuBrRemRec", Prop::Caption, 290, "", ""},
     {"mnuHelp", Prop::Caption, 124, "", ""},
     {"mnuBrAbout", Prop::Caption, 226, "", ""},
     {"mnuBrContents", Prop::Caption, 227, "", ""},
     {"mnuBrEdit", Prop::Caption, 222, "", ""},
     {"mnuBrCopy", Prop::Caption, 223, "", ""},
     {"mnuExport", Prop::Caption, 229, "", ""},
     {"mnuPlainText", Prop::Caption, 234, "", ""},
     {"lblIng", Prop::Caption, 102, "", ""},
     {"lblPrep", Prop::Caption, 103, "", ""},
     {"lblOther", Prop::Caption, 104, "", ""},
     {"cmdPrint", Prop::Caption, 105, "", ""},
     {"cmdEdit", Prop::Caption, 106, "", ""},
     {"cmdRem", Prop::Caption, 107, "", ""},
     {"Label4", Prop::Caption, 108, "", ":"},
     {"Label5", Prop::Caption, 109, "", ":"},
     {"Label7", Prop::Caption, 110, "", ":"},
     {"Label6", Prop::Caption, 111, "", ":"},
     {"lblClickImg", Prop::Caption, 287, "", ""},
};

const char* const brFrames[] = {"Frame1", "fraBack", "fraBotLeft", "fraRight", "fraTopLeft", nullptr};
const char* const brButtons[] = {"cmdEdit", "cmdPrint", "cmdRem", nullptr};
const char* const brContent[] = {"txtIng", "txtOther", "txtPrep", "lstRecs", "cboCats", nullptr};
const char* const brPanels[] = {"Picture1", nullptr};
const char* const brLabels[] = {"lblBorder", "lblCT", "lblDC", "lblIng", "lblOther", "lblPrep", "lblPT", "lblYld", nullptr};
const char* const none[] = {nullptr};

} // namespace

const CaptionTable kBrCaptions = {brRows, std::size(brRows)};
const ColourTable kBrColours = {brFrames, brButtons, brContent, brPanels, brLabels, none, false};

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
const ColourTable kPlainTextColours = {none, plainTextButtons, plainTextContent, none, none, none, true};

} // namespace bd
