// The e-mail window sending through a relay that the test runs on
// 127.0.0.1: the posted fields, each outcome's message, cancelling.

#include "app/application.h"
#include "app/globals.h"
#include "browse/frmBr.h"
#include "app/settings.h"
#include "app/windows.h"
#include "output/frmEmail.h"
#include "output/relay.h"
#include "resources/strings.h"
#include "testsupport.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace bd;

namespace {

// Reads one form post per connection and answers with status (0: never).
class LocalRelay : public QTcpServer {
public:
    int status = 200;
    QList<QByteArray> requests; // each request's headers and body

    LocalRelay()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, this, [this, s] { read(s); });
        });
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/relay").arg(serverPort())); }

    // The posted fields, decoded as a form reader does.
    QList<std::pair<QString, QString>> fields() const
    {
        QList<std::pair<QString, QString>> out;
        const QByteArray& r = requests.last();
        for (const QByteArray& pair : r.mid(r.indexOf("\r\n\r\n") + 4).split('&')) {
            QByteArray name = pair.left(pair.indexOf('=')), value = pair.mid(pair.indexOf('=') + 1);
            name.replace('+', ' ');
            value.replace('+', ' ');
            out.append({QUrl::fromPercentEncoding(name), QUrl::fromPercentEncoding(value)});
        }
        return out;
    }

private:
    QHash<QTcpSocket*, QByteArray> buffers_;

    void read(QTcpSocket* s)
    {
        QByteArray& b = buffers_[s];
        b += s->readAll();
        const int end = b.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QByteArray head = b.left(end).toLower();
        const int at = head.indexOf("content-length:");
        const int length = at < 0 ? 0 : head.mid(at + 15, head.indexOf('\n', at) - at - 15).trimmed().toInt();
        if (b.size() < end + 4 + length)
            return;
        requests << b;
        if (status == 0)
            return;
        s->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
        s->disconnectFromHost();
    }
};

// An address where nothing listens.
QUrl refusedUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QUrl(QStringLiteral("http://127.0.0.1:%1/relay").arg(port));
}

void fillForm(frmEmail& w)
{
    w.txtYourN->setText(QStringLiteral("  Ann  "));
    w.txtYourE->setText(QStringLiteral(" Ann@Example.com "));
    w.txtRecipN->setText(QStringLiteral("Bo"));
    w.txtRecipE->setText(QStringLiteral("bo@example.com"));
    w.lstEmailRecs->item(1)->setCheckState(Qt::Checked);
}

RecipeFields recipe(const QString& title)
{
    RecipeFields f;
    f.title = title;
    f.ing = QStringLiteral("eggs & milk\n<b>");
    return f;
}

void twoPies()
{
    G.xmlDoc.appendCategory(QStringLiteral("pies"));
    G.xmlDoc.appendRecipe(0, recipe(QStringLiteral("Apple")));
    G.xmlDoc.appendRecipe(0, recipe(QStringLiteral("Tart")));
}

} // namespace

class TestRelay : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { resetWindows(); }

    void windowLoadsSortedRecipesAndTheLastSender()
    {
        bdtest::TestEnv env;
        G.xmlDoc.appendCategory(QStringLiteral("pies"));
        G.xmlDoc.appendCategory(QStringLiteral("bread"));
        G.xmlDoc.appendRecipe(0, recipe(QStringLiteral("Tart")));
        G.xmlDoc.appendRecipe(1, recipe(QStringLiteral("bagel")));
        G.xmlDoc.appendRecipe(1, recipe(QString()));
        writeValue(QStringLiteral("FromName"), QStringLiteral("Ann"));
        writeValue(QStringLiteral("FromEmail"), QStringLiteral("ann@example.com"));
        frmEmail w;
        QCOMPARE(w.windowTitle(), QStringLiteral("BD | Email Recipes"));
        QCOMPARE(w.txtYourN->text(), QStringLiteral("Ann"));
        QCOMPARE(w.txtYourE->text(), QStringLiteral("ann@example.com"));
        QCOMPARE(w.lstEmailRecs->count(), 2);
        QCOMPARE(w.lstEmailRecs->item(0)->text(), QStringLiteral("bagel"));
        QCOMPARE(w.lstEmailRecs->item(1)->data(Qt::UserRole).toInt(), 0);
        w.cmdChkAll->click();
        QCOMPARE(w.chosenRecipes().size(), 2);
        QCOMPARE(w.lstEmailRecs->currentRow(), 0);
        w.cmdUnchkAll->click();
        QVERIFY(w.chosenRecipes().isEmpty());

        // The checks trim the fields; a bad address is selected for retyping.
        w.txtRecipN->setText(QStringLiteral(" Bo "));
        w.txtRecipE->setText(QStringLiteral("bo@localhost"));
        QVERIFY(!w.checkEmailForm());
        QCOMPARE(env.dialogs.messageIds(), (QList<int>{244}));
        QCOMPARE(w.txtRecipN->text(), QStringLiteral("Bo"));
        QCOMPARE(w.txtRecipE->selectedText(), QStringLiteral("bo@localhost"));
    }

    void sendPostsTheFormAndReportsEachOutcome()
    {
        bdtest::TestEnv env;
        twoPies();
        LocalRelay relay;
        writeValue(QStringLiteral("RelayURL"), relay.url().toString());
        frmEmail w;
        fillForm(w);
        w.cmdSend->click();
        // While sending the form is locked and the status says so.
        QVERIFY(!w.txtYourN->isEnabled() && !w.cmdSend->isEnabled() && !w.cmdCancel->isEnabled());
        QVERIFY(!w.cmdCancelSend->isHidden());
        QCOMPARE(w.lblStatus->text(), fetchText(252));
        QCOMPARE(readValue(QStringLiteral("FromName")), QStringLiteral("Ann"));
        QCOMPARE(readValue(QStringLiteral("FromEmail")), QStringLiteral("Ann@Example.com"));
        QTRY_COMPARE(env.dialogs.messageIds(), (QList<int>{242}));
        QVERIFY(w.cmdSend->isEnabled() && w.cmdCancelSend->isHidden());
        QCOMPARE(w.lblStatus->text(), QStringLiteral("Status"));

        const QByteArray& request = relay.requests.last();
        QVERIFY(request.startsWith("POST /relay "));
        QVERIFY(request.toLower().contains("content-type: application/x-www-form-urlencoded"));
        const QList<std::pair<QString, QString>> expected{
            {QStringLiteral("To"), QStringLiteral("bo@example.com")},
            {QStringLiteral("From_Header"), QStringLiteral("From: Ann <Ann@Example.com>")},
            {QStringLiteral("Subject"), QStringLiteral("You've received a recipe from Brindelle")},
            {QStringLiteral("Contents"), emailMessage(QStringLiteral("Bo"), {{0, QStringLiteral("Tart")}})},
            {QStringLiteral("SubmitMe"), QStringLiteral("Submit")}};
        QCOMPARE(relay.fields(), expected);
        QVERIFY(expected[3].second.contains(QStringLiteral("eggs & milk\n<b>")));

        // A server failure is not a success.
        env.dialogs.clear();
        relay.status = 500;
        w.cmdSend->click();
        QTRY_COMPARE(env.dialogs.messageIds(), (QList<int>{243}));
        QVERIFY(!w.sendingFailed());

        // No connection: 297 with the warning icon; the next Send starts clean.
        env.dialogs.clear();
        writeValue(QStringLiteral("RelayURL"), refusedUrl().toString());
        w.cmdSend->click();
        QTRY_COMPARE(env.dialogs.messageIds(), (QList<int>{297}));
        QCOMPARE(env.dialogs.last()->icon, Icon::Exclamation);
        QVERIFY(w.sendingFailed());
        env.dialogs.clear();
        relay.status = 200;
        writeValue(QStringLiteral("RelayURL"), relay.url().toString());
        w.cmdSend->click();
        QVERIFY(!w.sendingFailed());
        QTRY_COMPARE(env.dialogs.messageIds(), (QList<int>{242}));
    }

    void silenceTimesOutAndCancelRestoresTheForm()
    {
        bdtest::TestEnv env;
        twoPies();
        LocalRelay relay;
        relay.status = 0;
        writeValue(QStringLiteral("RelayURL"), relay.url().toString());
        frmEmail w;
        QCOMPARE(w.relay->timeout(), 60000);
        w.relay->setTimeout(300);
        fillForm(w);
        w.cmdSend->click();
        QTRY_COMPARE(env.dialogs.messageIds(), (QList<int>{297}));
        QVERIFY(w.cmdSend->isEnabled());

        env.dialogs.clear();
        w.relay->setTimeout(60000);
        w.cmdSend->click();
        QTRY_COMPARE(relay.requests.size(), 2);
        w.cmdCancelSend->click();
        QVERIFY(!w.relay->busy());
        QVERIFY(w.txtYourN->isEnabled() && w.cmdSend->isEnabled() && w.cmdCancelSend->isHidden());
        QCOMPARE(w.lblStatus->text(), QStringLiteral("Status"));
        QTest::qWait(100);
        QVERIFY(env.dialogs.calls.isEmpty());
    }

    void browseWindowHandsOverAndComesBack()
    {
        bdtest::TestEnv env;
        twoPies();
        registerStandardWindows();
        auto* br = qobject_cast<frmBr*>(showWindow(WindowKind::Br));
        QVERIFY(br);
        br->mnuEmail->trigger();
        QTRY_VERIFY(!instance(WindowKind::Br));
        auto* email = qobject_cast<frmEmail*>(instance(WindowKind::Email));
        QVERIFY(email && email->isVisible());
        email->cmdCancel->click();
        QTRY_VERIFY(!instance(WindowKind::Email));
        QVERIFY(instance(WindowKind::Br) && instance(WindowKind::Br)->isVisible());
        QVERIFY(!endRequested());
    }

    void relayAddressDefaultsToTheMakers()
    {
        bdtest::TestEnv env;
        QCOMPARE(relayUrl(), QUrl(QString::fromLatin1(kDefaultRelayUrl)));
        writeValue(QStringLiteral("RelayURL"), QStringLiteral(" http://127.0.0.1:9/x "));
        QCOMPARE(relayUrl(), QUrl(QStringLiteral("http://127.0.0.1:9/x")));
    }
};

QTEST_MAIN(TestRelay)
#include "tst_relay.moc"
