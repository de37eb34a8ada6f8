#include "output/printpage.h"

#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "output/cookbook.h"
#include "app/base/text.h"
#include "store/picturefiles.h"
#include "store/leftovers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMarginsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QSaveFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>

namespace bd {

const QMarginsF kPrintMargins(15, 15, 15, 15);

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

// The print page is written in a folder of this program's own (readable by
// its user alone, removed at the end), where nobody else can put a link
// that the page would be written through.
QString printFolder()
{
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/brindelle-print-XXXXXX"));
    return folder.isValid() ? folder.path() : QString();
}

QString pagePath() { return printFolder() + QStringLiteral("/recipe.htm"); }
QString logoPath() { return G.appPath + QStringLiteral("/quendrel.gif"); }

// The logo beside the page, when the book folder has one.
bool placeLogo()
{
    const QString copy = printFolder() + QStringLiteral("/quendrel.gif");
    // A copy that stays makes the new copy fail: the page is shown without the logo.
    removeLeftover(copy);
    return regularFile(logoPath()) && copyNewFile(logoPath(), copy);
}

// A caption cell or a value cell of the time table.
void timeCell(QStringList& lines, const QString& open, const QString& text, const QString& close)
{
    lines << open << text << close;
}

} // namespace

QString pageText(const QString& text)
{
    QString out = text.toHtmlEscaped();
    out.replace(QLatin1Char('\''), QStringLiteral("&#39;"));
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    out.replace(QLatin1Char('\n'), QStringLiteral("<br>\n"));
    return out;
}

QString printPageText(const Recipe& f, bool withLogo)
{
    QStringList lines;
    lines << QStringLiteral("<html><body bgcolor='#FFFFFF'>") << QStringLiteral("<center>")
          << QStringLiteral("<table width=550><tr><td>") << QStringLiteral("<center>");
    lines << (withLogo ? QStringLiteral("<img src='quendrel.gif' border=0><font face='Verdana' size=5><b>")
                       : QStringLiteral("<font face='Verdana' size=5><b>"));
    lines << pageText(f.title) << QStringLiteral("</center><br></td></tr></table>")
          << QStringLiteral("<table cellpadding=5><tr>");

    // Captions and values only for the fields that are filled, so the two
    // rows always hold the same cells.
    const std::pair<Str, const QString*> times[] = {{Str::PrepTime, &f.preptime},
                                                    {Str::CookTime, &f.cooktime},
                                                    {Str::Yield, &f.yield}};
    const QString captionOpen = QStringLiteral("<td align=center><font face='Tahoma' size=2><b>");
    for (const auto& [id, value] : times)
        if (!value->isEmpty())
            timeCell(lines, captionOpen, fetchText(id), QStringLiteral("</font></b></td>"));
    lines << QStringLiteral("</tr><tr>");
    const QString valueOpen = QStringLiteral("<td align=center><font face='Tahoma' size=2>");
    for (const auto& [id, value] : times)
        if (!value->isEmpty())
            timeCell(lines, valueOpen, pageText(*value), QStringLiteral("</font></td>"));
    lines << QStringLiteral("</tr></table>");

    const QString tahomaBold = QStringLiteral("<font face='Tahoma' size=2><b>");
    const QString tahoma = QStringLiteral("<font face='Tahoma' size=2>");
    if (!f.ing.isEmpty())
        lines << QStringLiteral("<br><table><tr>") << QStringLiteral("<td><center>") << tahomaBold
              << fetchText(Str::Ingredients) << QStringLiteral("</b></font><br></center>") << tahoma << pageText(f.ing)
              << QStringLiteral("</font></td></tr></table>");
    if (!f.prep.isEmpty())
        lines << QStringLiteral("<table width=480><tr><td><center><br>") << tahomaBold << fetchText(Str::Preparation)
              << QStringLiteral("</b></font><br></center>") << tahoma << pageText(f.prep)
              << QStringLiteral("</font><br></td></tr></table>");
    if (!f.other.isEmpty())
        lines << QStringLiteral("<table width=480><tr><td><center><br>") << tahomaBold << fetchText(Str::SpecialNotes)
              << QStringLiteral("</b></font><br>") << tahoma << pageText(f.other)
              << QStringLiteral("</font><br></center></td></tr></table>");

    lines << QStringLiteral("<br><font face='Tahoma' size=2>Quendrel - Brindelle<br>")
          << fetchText(Str::WebAddressPlain) << QStringLiteral("</font></center>") << QStringLiteral("</body></html>");
    return lines.join(kLineEnd) + kLineEnd;
}

QString prepTempPrint(const Recipe& fields)
{
    if (printFolder().isEmpty())
        return QString();
    const QString path = pagePath();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(printPageText(fields, placeLogo()).toUtf8());
    return file.commit() ? path : QString();
}

bool loadPrintPage(QTextDocument& doc, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    doc.setBaseUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath() + QLatin1Char('/')));
    doc.setHtml(QString::fromUtf8(file.readAll()));
    // The whole page stands in a <center>; the layout forgets it for the
    // lines between the tables (the footer), so they are centred here.
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        if (block.blockFormat().hasProperty(QTextFormat::BlockAlignment) || cursor.currentTable())
            continue;
        QTextBlockFormat format = block.blockFormat();
        format.setAlignment(Qt::AlignHCenter);
        cursor.setBlockFormat(format);
    }
    return true;
}

void printPages(QTextDocument& doc, QPagedPaintDevice* device)
{
    if (device->pageLayout().margins().isNull())
        device->setPageMargins(kPrintMargins, QPageLayout::Millimeter);
    // A cookbook lays itself out for the device's pages and numbers them.
    if (auto* book = qobject_cast<Cookbook*>(&doc)) {
        book->paint(device);
        return;
    }
    // A document with a page size of its own is printed as laid out, scaled
    // to the printable area, and gets no page numbers.
    const QRectF area = device->pageLayout().paintRect(QPageLayout::Point);
    doc.setPageSize(QSizeF(area.width() * 96.0 / 72.0, area.height() * 96.0 / 72.0));
    doc.print(device);
}

bool printRecipe(const Recipe& fields, bool preview)
{
    G.printPreview = preview;
    const QString path = prepTempPrint(fields);
    QTextDocument doc;
    if (path.isEmpty() || !loadPrintPage(doc, path)) {
        msgBox(Str::PrintPageNotWritten, Buttons::Ok, Icon::Exclamation, QStringLiteral("\n") + pagePath());
        return false;
    }
    doc.setMetaInformation(QTextDocument::DocumentTitle, fields.title);
    return preview ? dialogs().preview(doc) : dialogs().print(doc);
}

bool printCategory(int position)
{
    const QVector<Recipe> recipes = G.xmlDoc.recipesIn(position);
    if (recipes.isEmpty())
        return false;
    CookbookOptions options;
    options.title = G.xmlDoc.categoryName(position);
    options.imagesFolder = imagesFolder();
    Cookbook book(recipes, options);
    return dialogs().preview(book);
}

} // namespace bd
