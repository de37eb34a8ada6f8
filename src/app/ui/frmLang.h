#pragma once
// The first-run language chooser. Kept above other windows; closing it in
// any way settles the language (English unless Spanish was chosen).

#include <QWidget>

class QLabel;
class QPushButton;

namespace bd {

class frmLang : public QWidget {
    Q_OBJECT
public:
    explicit frmLang(QWidget* parent = nullptr);

    QLabel *Picture1, *Label1, *Label2;
    QPushButton *cmdEng, *cmdEsp;

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace bd
