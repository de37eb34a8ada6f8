#include "app/dialogs.h"

#include "resources/strings.h"

#include <QStringList>

namespace bd {

Dialogs::~Dialogs() = default;

namespace {

// Without a GUI nothing can be asked: every question is declined.
class SilentDialogs final : public Dialogs {
public:
    Answer message(int, const QString&, Buttons b, Icon, const QString&) override
    {
        switch (b) {
        case Buttons::Ok: return Answer::Ok;
        case Buttons::OkCancel:
        case Buttons::RetryCancel: return Answer::Cancel;
        case Buttons::YesNo: return Answer::No;
        }
        return Answer::Cancel;
    }
    std::optional<QString> input(int, const QString&, const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> openFile(const FileRequest&) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileRequest&) override { return std::nullopt; }
    bool print(QTextDocument&) override { return false; }
    bool preview(QTextDocument&) override { return false; }
};

SilentDialogs silent;
Dialogs* current = &silent;

} // namespace

Dialogs& dialogs() { return *current; }

void setDialogs(Dialogs* d) { current = d ? d : &silent; }

Answer msgBox(int id, Buttons buttons, Icon icon, const QString& suffix, const QString& prefix)
{
    return dialogs().message(id, prefix + fetchText(id) + suffix, buttons, icon, QStringLiteral("BD"));
}

bool report(const SaveResult& r)
{
    for (int notice : r.notices)
        msgBox(notice);
    if (!r.ok) {
        if (r.message)
            msgBox(r.message, Buttons::Ok, Icon::Exclamation);
        else
            msgBox(Str::SaveFailed, Buttons::Ok, Icon::Exclamation,
                   r.error.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + r.error);
    }
    return r.ok;
}

QString qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        if (patterns.isEmpty())
            continue;
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << desc + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace bd
