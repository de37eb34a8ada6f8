#pragma once
// The e-mail window: chosen recipes go as one plain-text message to a
// friend, through the maker's relay. It stands in for the browse window and
// brings it back when it closes.

#include "output/emailtext.h"

#include <QWidget>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace bd {

class RelaySender;

class frmEmail : public QWidget {
    Q_OBJECT
public:
    explicit frmEmail(QWidget* parent = nullptr);

    void disableFormEmail();
    void enableFormEmail();
    // Trims the four fields and checks them in order; a failure is shown
    // and the offending address is selected.
    bool checkEmailForm();
    void InitEmailXML();
    // The ticked recipes in list order.
    QList<RecipeRef> chosenRecipes() const;
    // The handed-over text (the shopping list) while its entry is ticked.
    QString chosenExtra() const;

    void send();
    void cancelSend();
    void checkAll();
    void uncheckAll();
    bool sendingFailed() const { return failed_; }

    QLabel* lblBorder[2];
    QFrame *Picture1, *Picture2;
    QLabel *lblYou, *lblRecip, *lblNameY, *lblNameR, *lblEmailY, *lblEmailR, *lblInetCn, *lblStatus;
    QLineEdit *txtYourN, *txtYourE, *txtRecipN, *txtRecipE;
    QListWidget* lstEmailRecs;
    QPushButton *cmdChkAll, *cmdUnchkAll, *cmdSend, *cmdCancel, *cmdCancelSend;
    RelaySender* relay;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void sent(Str messageId);
    EmailForm form() const;

    QWidget* banner_;
    bool failed_ = false;
    bool returning_ = false;
};

} // namespace bd
