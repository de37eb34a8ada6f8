#pragma once
// The dialog seam as the user sees it: Qt's message box, input box and
// file dialogs, parented to the active window.

#include "app/base/dialogs.h"

namespace bd {

// Makes Qt's own texts follow the program's language (G.langOffset) from
// now on: its dialogs, context menus and buttons. False when Qt's Spanish
// texts are not installed.
bool speakQtTextsInProgramLanguage();

class QtDialogs final : public Dialogs {
public:
    Answer message(Str id, const QString& text, Buttons buttons, Icon icon, const QString& title) override;
    std::optional<QString> input(Str id, const QString& prompt, const QString& title,
                                 const QString& defaultAnswer) override;
    std::optional<QString> openFile(const FileRequest& request) override;
    std::optional<QString> saveFile(const FileRequest& request) override;
    bool print(QTextDocument& doc) override;
    bool preview(QTextDocument& doc) override;
};

} // namespace bd
