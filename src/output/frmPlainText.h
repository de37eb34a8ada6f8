#pragma once
// The plain-text window: the recipe the browse window shows, as plain text
// to copy to the clipboard or save to a text file. The browse window stays
// disabled while it is open.

#include "output/plaintext.h"

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace bd {

class frmBr;

// What the browse window shows: the selected title, the time and yield

class frmPlainText : public QWidget {
    Q_OBJECT
public:
    explicit frmPlainText(QWidget* parent = nullptr);

    // Puts the whole text on the clipboard.
    void copyRecipe();
    // Asks for a file and writes the text to it; a failure is reported.
    void saveRecipe();

    // The text as built, with CR LF line breaks.
    const QString& plainText() const { return text_; }

    QPlainTextEdit* text1;
    QPushButton *Command2, *cmdSave, *cmdDone;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Recipe shown_;
    QString text_;
};

} // namespace bd
