#pragma once
// The about window: product name, version, description and web address.

#include <QWidget>

class QLabel;
class QPushButton;

namespace bd {

// Opens an address with the desktop's default handler.
void openWebPage(const QString& address);

class frmAbout : public QWidget {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel *lblProduct, *lblVersion, *lblDescription, *lblWeb;
    QPushButton* cmdOK;

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace bd
