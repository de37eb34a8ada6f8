#pragma once
// Help > Contents: the user guide of the current language in a window
// owned by the calling window.

class QString;
class QWidget;

namespace bd {

// The user guide for the current language.
QString helpFilePath();

// Shows the guide, or the "help file not found" message when it is missing.
// Returns the help window, or nullptr.
QWidget* helpContents(QWidget* owner);

} // namespace bd
