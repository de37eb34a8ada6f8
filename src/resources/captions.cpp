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

} // namespace

const CaptionTable kBrCaptions = {brRows, std::size(brRows)};
const ColourTable kBrColours = {brFrames, brButtons, brContent, brPanels, brLabels, none, false};

const BilingualTable kOpsCaptions = {opsRows, std::size(opsRows)};
const ColourTable kOpsColours = {none, opsButtons, none, opsPanels, none, none, false};

} // namespace bd
