#pragma once
// What the add and the edit window share: the recipe fields and their
// layout, the category list with its "[new category..]" entry, the picture
// button and frame, the degree label, the Edit menu and the commands that
// leave for the picture viewer, the about window and the help.

#include "app/ui/windows.h"
#include "store/names.h"
#include "store/store.h"

#include <QImage>

#include <array>
#include <QPointer>

class QAction;
class QComboBox;
class QFocusEvent;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace bd {

struct CaptionTable;
struct ColourTable;

class EntryWindow : public MainWindow {
    Q_OBJECT
public:
    enum class Twin { Add, Edit };

    // The picture dialog: its file name is the chosen picture's full path,
    // empty when the recipe has no picture.
    struct PictureDialog {
        QString fileName;
    };

    // Picture button (cmdAddImg and the picture menu item).
    void pictureButton();
    void choosePicture();
    bool pictureLoads();
    void fitPicture(const QString& path);
    void pictureView();
    // Category list: "[new category..]" and every category; nameToSelect
    // (exact text) is selected afterwards when given.
    void fillCategoryList(const QString& nameToSelect = QString());
    void showBookAgain() override;
    // Runs when the category selection changes: "[new category..]" asks
    // for a new category.
    void newCategory();
    // The degree sign into this window's degree target.
    void insertDegree();
    // Edit menu.
    void updateEditMenu();
    void editCopy();
    void editCut();
    void editPaste();
    void about();

    // The selected category's position in the book, or -1 for none or
    // "[new category..]".
    int selectedCategory() const;
    QWidget* defaultFocus() const override;
    // The window's fields as the store takes them.
    Recipe recipeInput() const;
    // Puts text into a one-line box whole, even beyond the box's typing limit.
    static void setLineText(QLineEdit* box, const QString& text);
    // The title as it will be stored: on one line, trimmed.
    QString enteredTitle() const;
    // The picture shown, null for none.
    const QImage& picture() const { return picture_; }

    QLabel* lblBorder[2];
    QFrame *fraDyn, *fraStatic;
    QLabel *lblTitle, *lblIng, *lblPrep, *lblOther, *lblDeg;
    QLineEdit* txtTitle;
    QPlainTextEdit *txtIng, *txtPrep, *txtOther;
    QLabel* lblCat;
    QComboBox* cboACats;
    QLabel *Label7, *Label9, *Label8;
    QLineEdit *txtPT, *txtCT, *txtY;
    QFrame* picAddImg;
    QPushButton* cmdAddImg;
    QFrame* Frame1;
    QLabel *Image1, *picRecipe, *picImgVal, *lblClickImg;
    QFrame* Picture2;
    QPushButton* cmdAdd;
    PictureDialog cmdialog;

    QMenu *mnuAFile, *mnuAHelp;
    QAction* mnuAExit;

protected:
    explicit EntryWindow(Twin twin, QWidget* parent = nullptr);

    // The Edit menu and the picture menu item, named by each window.
    void useMenuItems(QMenu* edit, QAction* copy, QAction* cut, QAction* paste, QAction* pictureItem);
    // Window load: limits, placement, captions and colours.
    void loadWindow(const CaptionTable& captions, const ColourTable& colours);
    // Button and menu item for the next press: choose (true) or remove.
    void setPictureCaptions(bool nextChooses);
    void clearPicture();
    // Focus and selection after a failed check, with its message.
    void showCheckFailure(const EntryCheck& check);
    void exitProgram();
    bool eventFilter(QObject* watched, QEvent* event) override;

    QWidget* inner_;

private:
    void fillCategoryEntries();
    void buildControls();
    // Asks for a new category and adds it; its name, or empty for none.
    QString addNewCategory();
    void arrange();
    std::array<QWidget*, 7> textBoxes() const;
    QWidget* activeBox() const;
    // What the Edit menu acts on: the focused box or, while the menu bar
    // holds the focus (the menus used from the keyboard), the box it came
    // from, with its selection back.
    QWidget* editTarget();
    // Keeps a box's place and selection when the menu bar takes the focus
    // (a one-line box drops its selection then) and gives them back when
    // the focus returns.
    void watchMenuFocus(QWidget* box, const QFocusEvent* event);
    void restoreMenuSelection();

    Twin twin_;
    QAction *copy_ = nullptr, *cut_ = nullptr, *paste_ = nullptr, *pictureItem_ = nullptr;
    QImage picture_; // the picture at natural size (picRecipe)
    QImage probe_;   // the last picture the load probe read (picImgVal)
    struct MenuFocus {
        QPointer<QWidget> box; // the box the menu bar took the focus from
        QString text;          // a one-line box's text and selection then
        int start = -1, length = 0, cursor = 0;
    } menuFocus_;
};

} // namespace bd
