#pragma once
// The preferences window: colour scheme, language and text size. It stands
// in for the main window that opened it and returns to it (the add window
// when addWinActive holds, otherwise the browse window), built afresh so
// that it shows the new settings. Its own captions are in both languages.

#include <QWidget>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace bd {

class frmOps : public QWidget {
    Q_OBJECT
public:
    explicit frmOps(QWidget* parent = nullptr);

    void save();
    void discard();

    QFrame* Picture1;
    QLabel *Label1, *Label2, *Label3;
    QComboBox *cboColor, *cboLang, *cboText;
    QPushButton *cmdSave, *cmdDis;

private:
    void preview(int position);
    void returnToMainWindow();
};

} // namespace bd
