#pragma once
// The window a recipe is pasted into (Tools > Paste a Recipe of the browse
// window): the text is split into a recipe's fields, which the add window
// shows for the cook to check and add; a pasted web address is imported as
// the import wizard imports a web page. The browse window stays disabled
// while it is open.

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace bd {

class frmPaste : public QWidget {
    Q_OBJECT
public:
    explicit frmPaste(QWidget* parent = nullptr);

    // Splits the pasted text and leaves for the add window with its fields
    // filled (or for the import wizard with the page of a web address).
    void fillRecipe();

    QLabel* lblPaste;
    QPlainTextEdit* txtPaste;
    QPushButton *cmdFill, *cmdPasteCancel;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace bd
