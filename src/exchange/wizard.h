#pragma once
// What the export and import wizards share: three pages shown one at a time
// under a header, the button strip below them, and the way back to the main
// window that opened the wizard, however the wizard is closed.

#include "app/base/twips.h"
#include "app/ui/windows.h"
#include "resources/strings.h"

#include <QWidget>

#include <optional>

class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;

namespace bd {

class Wizard : public QWidget {
    Q_OBJECT
public:
    QLabel* lblHeader;
    QFrame* Picture1; // the button strip
    QPushButton *cmdBack, *cmdNext, *cmdCancel;
    QLabel* lblFile; // on the file page: "File name: " and the chosen file
    int currentPage() const { return currentPage_; }
    // The main window shown when the wizard closes, instead of the one it
    // was built for.
    void returnTo(WindowKind back) { back_ = back; }
    virtual void NextPage() = 0;
    virtual void PrevPage() = 0;

protected:
    // width: the window's width in twips; back: the window shown on closing.
    Wizard(const char* name, WindowKind back, double width);

    // A page panel placed below the header.
    QFrame* addPage(const char* name);
    // A page holding a wrapped text, and below it a button beside lblFile.
    QFrame* addFilePage(const char* name, QLabel*& text, const char* textName, QPushButton*& button,
                        const char* buttonName);
    // A page holding a wrapped question over two option buttons, the first
    // one chosen.
    QFrame* addChoicePage(const char* name, QLabel*& question, const char* questionName, QRadioButton*& first,
                          const char* firstName, QRadioButton*& second, const char* secondName);
    void HidePages();
    // Shows page with the header text, puts the button strip at stripTop and
    // makes the window height twips high (title bar and borders included).
    void showPage(QFrame* page, const QString& header, double stripTop, double height);
    // Places a control of a page (or of the strip) in twips.
    static void place(QWidget* w, const TRect& r);
    // The file dialog for a recipe-book file (saving or opening). The book
    // itself is refused with message primaryId and the choice cleared.
    // nullopt when nothing (acceptable) was chosen. filter: the file types
    // offered ("description|patterns|..."), recipe books when empty.
    std::optional<QString> chooseBookFile(bool forSaving, const QString& title, Str primaryId,
                                          const QString& filter = QString());
    // The chosen file (empty for none) and its name on lblFile after
    // "File name" and separator.
    void setFile(const QString& path, const QString& separator);
    // Hides the wizard and shows a fresh main window.
    void finish();
    void closeEvent(QCloseEvent* event) override;

    static constexpr double kHeaderHeight = 420;
    const double width_;
    int currentPage_ = 0;
    QString file_; // the chosen export or import file

private:
    QList<QFrame*> pages_;
    WindowKind back_;
    bool leaving_ = false;
    bool placed_ = false;
};

// The text with its first letter upper-cased (the header of a page returned to).
QString firstUpper(QString text);

} // namespace bd
