#pragma once
// The size limits of one main window: the window cannot be made smaller
// than its minimum or larger than its maximum by any means. Sizes are given
// in twips and kept in pixels. Until a maximum is given the screen's size
// is the maximum; the limits end with the window.

#include <QPointer>
#include <QWidget>

namespace bd {

class cFormSize {
public:
    cFormSize();

    // Attaches the object to window; the limits in force are applied at once.
    void Init(QWidget* window);
    // Moves the window one pixel right and gives it its maximum / minimum size.
    void ResizeToMax();
    void ResizeToMin();
    void MinWidth(double twips);
    void MinHeight(double twips);
    void MaxWidth(double twips);
    void MaxHeight(double twips);

    // The limits in pixels.
    QSize minimum() const { return {minWidth_, minHeight_}; }
    QSize maximum() const { return {maxWidth_, maxHeight_}; }

private:
    void apply();
    void resizeTo(int width, int height);

    QPointer<QWidget> window_;
    int minWidth_ = 0, minHeight_ = 0;
    int maxWidth_ = 0, maxHeight_ = 0;
};

} // namespace bd
