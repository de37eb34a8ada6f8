#pragma once
// The full-size picture viewer: a borderless window centred on the screen
// and kept on top, showing the picture at G.viewImagePath. Any click or
// typed character closes it; the window that opened it (by the caller
// flags) is enabled and focused again.

#include <QWidget>

class QLabel;

namespace bd {

class frmImgView : public QWidget {
    Q_OBJECT
public:
    explicit frmImgView(QWidget* parent = nullptr);

    QLabel* imgFullSize;

    // False when the picture could not be loaded; the viewer then closes
    // as soon as it is shown.
    bool loaded() const { return loaded_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool loaded_ = false;
};

// True for a key press that produces a character (letters, digits, Space,
// Enter, Escape, Backspace, ...); arrows and function keys do not.
bool typesCharacter(const QKeyEvent& event);

} // namespace bd
