#pragma once
// Keeps a window above every window that is not kept on top itself.

class QWidget;

namespace bd {

// The window stays where it is, at its size.
void makeTopMost(QWidget* window);

} // namespace bd
