#pragma once
// The one way any part of the program asks the user something. Production
// shows Qt's dialogs (QtDialogs); tests install a scripted stand-in that
// answers from a queue and records every call.

#include <QString>
#include <optional>

#include "store/bookfile.h"

class QTextDocument;

namespace bd {

enum class Buttons { Ok, OkCancel, YesNo, RetryCancel };
enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Answer { Ok, Cancel, Yes, No, Retry };

struct FileRequest {
    QString title;
    QString filter;      // "(*.xml) |*.xml|" style: description|patterns|...
    QString fileName;    // proposed name or path
    QString defaultExt;
};

class Dialogs {
public:
    virtual ~Dialogs();
    // id: the English string id of the message (0 for a text of its own).
    virtual Answer message(int id, const QString& text, Buttons buttons, Icon icon,
                           const QString& title) = 0;
    // nullopt when cancelled; an empty string when OK was pressed on nothing.
    virtual std::optional<QString> input(int id, const QString& prompt, const QString& title,
                                         const QString& defaultAnswer) = 0;
    virtual std::optional<QString> openFile(const FileRequest& request) = 0;
    virtual std::optional<QString> saveFile(const FileRequest& request) = 0;
    // The print dialog (a printer or a PDF file) and the print preview for a
    // laid-out document; true when the document was printed.
    virtual bool print(QTextDocument& doc) = 0;
    virtual bool preview(QTextDocument& doc) = 0;
};

Dialogs& dialogs();
// Installs d (not owned). Passing nullptr restores the previous default.
void setDialogs(Dialogs* d);

// A message box titled "BD" whose text is string id (in the current
// language) with optional text before and after it.
Answer msgBox(int id, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
              const QString& suffix = QString(), const QString& prefix = QString());

// Tells the user what went wrong in r: its notices in order, then its
// failure message (the save failure with the system's reason when r names
// none). Returns r.ok.
bool report(const SaveResult& r);

// Converts "desc|patterns|desc|patterns|" to Qt's "desc (patterns);;..." form.
QString qtFilter(const QString& filter);

} // namespace bd
