// The e-mail window sending through a relay that the test runs on
// 127.0.0.1: the posted fields, each outcome's message, cancelling.

#include "app/application.h"
#include "app/globals.h"
#include "app/settings.h"
#include "app/windows.h"
#include "browse/frmBr.h"
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
#include <QUrlQuery>
#include <QtTest>

using namespace bd;

namespace {

// Takes one form post per connection and answers with status (0: never).
class LocalRelay : public QTcpServer {
public:
    int status = 200;
    QList<QByteArray> requests;

    LocalRelay()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, this, [this, s] {
                    QByteArray& b = buffers_[s];
                    b += s->readAll();
                    const int end = b.indexOf("\r\n\r\n"), at = b.toLower().indexOf("content-length:");
                    if (end < 0 || b.size() < end + 4 + b.mid(at + 15, end - at).split('\r').first().trimmed().toInt())
                        return;
                    requests << b;
                    b.clear(); // the next post may come on the same connection
                    if (status)
                        s->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: 0\r\n\r\n");
                });
        });
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/relay").arg(serverPort()); }

    // The last post's fields, decoded.
    QList<std::pair<QString, QString>> fields() const
    {
        const QByteArray& r = requests.last();
        return QUrlQuery(QString::fromLatin1(r.mid(r.indexOf("\r\n\r\n") + 4))).queryItems(QUrl::FullyDecoded);
    }

private:
    QHash<QTcpSocket*, QByteArray> buffers_;
};

void twoPies()
{
    RecipeFields f;
    G.xmlDoc.appendCategory(QStringLiteral("pies"));
    for (const char* title : {"Tart", "apple"}) {
        f.title = QLatin1String(title);
        f.ing = QStringLiteral("eggs & milk\n<b>");
        G.xmlDoc.appendRecipe(0, f);
    }
}

void fillForm(frmEmail& w)
{
    w.txtYourN->setText(QStringLiteral("  Ann  "));
    w.txtYourE->setText(QStringLiteral(" Ann@Example.com "));
    w.txtRecipN->setText(QStringLiteral("Bo"));
    w.txtRecipE->setText(QStringLiteral("bo@example.com"));
    w.lstEmailRecs->item(1)->setCheckState(Qt::Checked);
}

} // namespace

class TestRelay : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { resetWindows(); }

    void sendPostsTheFormAndReportsEachOutcome()
    {
        bdtest::TestEnv env;
        twoPies();
        LocalRelay relay;
        writeValue(QStringLiteral("RelayURL"), relay.url());
        writeValue(QStringLiteral("FromEmail"), QStringLiteral("ann@example.com"));
        frmEmail w;
        QCOMPARE(w.txtYourE->text(), QStringLiteral("ann@example.com")); // the last sender
        QCOMPARE(w.lstEmailRecs->item(0)->text(), QStringLiteral("apple"));
        w.cmdChkAll->click();
        QCOMPARE(w.chosenRecipes().size(), 2);
        w.cmdUnchkAll->click();
        QVERIFY(w.chosenRecipes().isEmpty());
        // A bad address is selected for retyping.
        w.txtRecipE->setText(QStringLiteral("bo@localhost"));
        w.cmdSend->click();
        QCOMPARE(env.dialogs.messageIds(), (QList<int>{244}));
        QCOMPARE(w.txtRecipE->selectedText(), QStringLiteral("bo@localhost"));

        env.dialogs.clear();
        fillForm(w);
        w.cmdSend->click();
        QVERIFY(!w.txtYourN->isEnabled() && !w.cmdSend->isEnabled() && !w.cmdCancel->isEnabled());
        QVERIFY(!w.cmdCancelSend->isHidden());
        QCOMPARE(w.lblStatus->text(), fetchText(252));
        QCOMPARE(readValue(QStringLiteral("FromEmail")), QStringLiteral("Ann@Example.com"));
        QTRY_COMPARE(env.dialogs.messageIds(), (QList<int>{242}));
        QVERIFY(w.cmdSend->isEnabled() && w.cmdCancelSend->isHidden());
        QCOMPARE(w.lblStatus->text(), QStringLiteral("Status"));
        QVERIFY(relay.requests.last().toLower().contains("content-type: application/x-www-form-urlencoded"));
        QCOMPARE(relay.fields(), (QList<std::pair<QString, QString>>{
                                     {QStringLiteral("To"), QStringLiteral("bo@example.com")},
                                     {QStringLiteral("From_Header"), QStringLiteral("From: Ann <Ann@Example.com>")},
                                     {QStringLiteral("Subject"), QStringLiteral("You've received a recipe from Brindelle")},
                                     {QStringLiteral("Contents"), emailMessage(QStringLiteral("Bo"), {{0, QStringLiteral("Tart")}})},
                                     {QStringLiteral("SubmitMe"), QStringLiteral("Submit")}}));
        QVERIFY(relay.fields().at(3).second.contains(QStringLiteral("eggs & milk\n<b>")));

        // A server failure is not a success.
        env.dialogs.clear();
        relay.status = 500;
        w.cmdSend->click();
        QTRY_COMPARE(env.dialogs.messageIds(), (QList<int>{243}));

        // No connection: 297 with the warning icon; the next Send starts clean.
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        writeValue(QStringLiteral("RelayURL"), QStringLiteral("http://127.0.0.1:%1/").arg(probe.serverPort()));
        probe.close();
        env.dialogs.clear();
        w.cmdSend->click();
        QTRY_COMPARE(env.dialogs.messageIds(), (QList<int>{297}));
        QCOMPARE(env.dialogs.last()->icon, Icon::Exclamation);
        QVERIFY(w.sendingFailed());
        relay.status = 200;
        writeValue(QStringLiteral("RelayURL"), relay.url());
        env.dialogs.clear();
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
        writeValue(QStringLiteral("RelayURL"), relay.url());
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
        QVERIFY(!w.relay->busy() && w.txtYourN->isEnabled() && w.cmdCancelSend->isHidden());
        QTest::qWait(100);
        QVERIFY(env.dialogs.calls.isEmpty());
    }

    void browseWindowHandsOverAndComesBack()
    {
        bdtest::TestEnv env;
        registerStandardWindows();
        qobject_cast<frmBr*>(showWindow(WindowKind::Br))->mnuEmail->trigger();
        QTRY_VERIFY(!instance(WindowKind::Br));
        auto* email = qobject_cast<frmEmail*>(instance(WindowKind::Email));
        QVERIFY(email && email->isVisible());
        email->cmdCancel->click();
        QTRY_VERIFY(!instance(WindowKind::Email));
        QVERIFY(instance(WindowKind::Br) && instance(WindowKind::Br)->isVisible() && !endRequested());
    }
};

QTEST_MAIN(TestRelay)
#include "tst_relay.moc"
