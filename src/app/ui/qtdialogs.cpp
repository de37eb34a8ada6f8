#include "app/ui/qtdialogs.h"

#include "app/base/globals.h"
#include "output/printpage.h"
#include "app/base/text.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTranslator>

#include <vector>

namespace bd {

namespace {

// The active window; one just hidden (a progress dialog making way for a
// question) hands over to the window it belongs to.
QWidget* owner()
{
    QWidget* w = QApplication::activeWindow();
    while (w && !w->isVisible())
        w = w->parentWidget() ? w->parentWidget()->window() : nullptr;
    return w;
}

QMessageBox::Icon qtIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

// The file dialog's list with its dates and sizes as the program's
// language writes them: the toolkit writes them the system's way.
class FileListInLanguage final : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role == Qt::DisplayRole && files && (index.column() == 1 || index.column() == 3)) {
            const QModelIndex source = mapToSource(index);
            if (index.column() == 3)
                return programLocale().toString(files->lastModified(source), QLocale::ShortFormat);
            if (!files->isDir(source))
                return programLocale().formattedDataSize(files->size(source));
        }
        return QIdentityProxyModel::data(index, role);
    }
};

std::optional<QString> runFileDialog(const FileRequest& r, QFileDialog::AcceptMode mode)
{
    followProgramLocale(); // its file types
    QFileDialog dialog(owner(), r.title);
    dialog.setProxyModel(new FileListInLanguage(&dialog));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The question before a file is replaced is the program's own (saveFile).
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QString filter = qtFilter(r.filter);
    if (!filter.isEmpty())
        dialog.setNameFilter(filter);
    QString suffix = r.defaultExt;
    suffix.remove(QLatin1Char('*'));
    if (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    if (!suffix.isEmpty())
        dialog.setDefaultSuffix(suffix);
    // A name typed without a type takes the type of the files shown.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& shown) {
        const qsizetype star = shown.indexOf(QStringLiteral("*."));
        const QString type = star < 0 ? QString()
                                      : shown.mid(star + 2).section(QRegularExpression(QStringLiteral("[ ;)]")), 0, 0);
        if (!type.isEmpty() && !type.contains(QLatin1Char('*')))
            dialog.setDefaultSuffix(type);
    });
    if (!r.folder.isEmpty())
        dialog.setDirectory(r.folder);
    if (!r.fileName.isEmpty() && !r.fileName.contains(QLatin1Char('*')))
        dialog.selectFile(r.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

struct Choice {
    QMessageBox::StandardButton button;
    Str textId;
    Answer answer;
};

std::vector<Choice> choicesFor(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok: return {{QMessageBox::Ok, Str::BtnOk, Answer::Ok}};
    case Buttons::OkCancel:
        return {{QMessageBox::Ok, Str::BtnOk, Answer::Ok}, {QMessageBox::Cancel, Str::BtnCancel, Answer::Cancel}};
    case Buttons::YesNo:
        return {{QMessageBox::Yes, Str::BtnYes, Answer::Yes}, {QMessageBox::No, Str::BtnNo, Answer::No}};
    case Buttons::RetryCancel:
        return {{QMessageBox::Retry, Str::BtnRetry, Answer::Retry},
                {QMessageBox::Cancel, Str::BtnCancel, Answer::Cancel}};
    }
    return {{QMessageBox::Ok, Str::BtnOk, Answer::Ok}};
}

// Qt's own texts (the file and print dialogs, the text boxes' context
// menus, the buttons of Qt's dialogs) in the program's language: Qt's
// Spanish translation answers while Spanish is chosen, whenever the choice
// was made, and nothing answers in English.
class ProgramLanguage final : public QTranslator {
public:
    ProgramLanguage()
    {
        loaded_ = spanish_.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                                QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    }
    bool isEmpty() const override { return !loaded_; }
    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override
    {
        if (G.langOffset != 300)
            return QString();
        QString text = spanish_.translate(context, source, disambiguation, n);
        // The file dialog names folders through the icon provider, whose
        // texts Qt's Spanish table holds under the file dialog's name.
        if (text.isEmpty() && qstrcmp(context, "QAbstractFileIconProvider") == 0)
            text = spanish_.translate("QFileDialog", source, nullptr, n);
        return text;
    }

private:
    QTranslator spanish_;
    bool loaded_ = false;
};

// A printer named after the document, so that a PDF file is proposed under
// the recipe's title.
void prepare(QPrinter& printer, const QTextDocument& doc)
{
    const QString title = doc.metaInformation(QTextDocument::DocumentTitle);
    printer.setDocName(title.isEmpty() ? QStringLiteral("recipe") : title);
    printer.setPageMargins(kPrintMargins, QPageLayout::Millimeter);
}

} // namespace

bool speakQtTextsInProgramLanguage()
{
    followProgramLocale();
    static QPointer<ProgramLanguage> language; // gone with the application
    if (!language) {
        auto* translator = new ProgramLanguage;
        translator->setParent(QCoreApplication::instance());
        if (translator->isEmpty() || !QCoreApplication::installTranslator(translator)) {
            delete translator;
            return false;
        }
        language = translator;
    }
    return true;
}

Answer QtDialogs::message(Str, const QString& text, Buttons buttons, Icon icon, const QString& title)
{
    QMessageBox box(qtIcon(icon), title, text, QMessageBox::NoButton, owner());
    const std::vector<Choice> choices = choicesFor(buttons);
    for (const Choice& c : choices)
        box.addButton(c.button)->setText(fetchText(c.textId));
    box.setDefaultButton(choices.front().button);
    box.exec();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    for (const Choice& c : choices)
        if (c.button == pressed)
            return c.answer;
    // Escape or the close box: the cancelling answer.
    return buttons == Buttons::YesNo ? Answer::No : (buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel);
}

std::optional<QString> QtDialogs::input(Str, const QString& prompt, const QString& title, const QString& defaultAnswer)
{
    QInputDialog dialog(owner());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultAnswer);
    dialog.setOkButtonText(fetchText(Str::BtnOk));
    dialog.setCancelButtonText(fetchText(Str::BtnCancel));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

std::optional<QString> QtDialogs::openFile(const FileRequest& request)
{
    return runFileDialog(request, QFileDialog::AcceptOpen);
}

std::optional<QString> QtDialogs::saveFile(const FileRequest& request)
{
    FileRequest r = request;
    for (;;) {
        const std::optional<QString> chosen = runFileDialog(r, QFileDialog::AcceptSave);
        if (!chosen || !r.askBeforeReplacing || !QFileInfo::exists(*chosen) ||
            msgBox(Str::FileExists, Buttons::YesNo) == Answer::Yes)
            return chosen;
        // Not this one: the dialog again, on the same file.
        r.fileName = *chosen;
    }
}

bool QtDialogs::print(QTextDocument& doc)
{
    followProgramLocale();
    QPrinter printer(QPrinter::HighResolution);
    prepare(printer, doc);
    QPrintDialog dialog(&printer, owner());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    printPages(doc, &printer);
    return true;
}

bool QtDialogs::preview(QTextDocument& doc)
{
    followProgramLocale();
    QPrinter printer(QPrinter::HighResolution);
    prepare(printer, doc);
    QPrintPreviewDialog dialog(&printer, owner());
    // The preview paints the pages exactly as printing does.
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&doc](QPrinter* p) { printPages(doc, p); });
    dialog.resize(dialog.sizeHint().expandedTo(QSize(800, 700)));
    return dialog.exec() == QDialog::Accepted;
}

} // namespace bd
