// E-mailing recipes: the address check, the order of the form checks and
// the message text in both languages; then the window sending through a
// relay that the test runs on 127.0.0.1: the posted fields, each outcome's
// message, cancelling.

#include "app/application.h"
#include "app/base/globals.h"
#include "app/base/settings.h"
#include "app/ui/windows.h"
#include "browse/frmBr.h"
#include "output/emailtext.h"
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
    Recipe f;
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

class TestEmail : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { resetWindows(); }

    void validEmailAcceptsOnlyWhatTheRelayTakes()
    {
        const char* valid[] = {"ann@example.com", "Ann.B_C@Mail.Example.ORG", "a.b_c9@host.in",      "z@host.by",
                               "ann@mail.co.uk",  "ann@example.museum",       "9ann@example.net",    "ann@mail-box.com",
                               "ann@t-online.de", "ann+recipes@example.com",  "ann@a--b.example.org"};
        const char* invalid[] = {"ann@e.com",
                                 "ann@-host.com",
                                 "ann@host-.com",
                                 "ann@host.-de",
                                 "ann@host.com-",
                                 "ann@-.com",
                                 "+ann@example.com",
                                 "_ann@example.com",
                                 ".ann@example.com",
                                 "@example.com",
                                 "ann@@example.com",
                                 "ann@b@example.com",
                                 "ann@example.com@example.org",
                                 "annexample.com",
                                 "ann@localhost",
                                 "ann@example..com",
                                 "ann@example.com.",
                                 "ann@.example.com",
                                 "ann@example.xyz",
                                 "ann@example.co.u",
                                 "ann@ex ample.com",
                                 "ann\xC3\xA9@example.com"};
        for (const char* a : valid) {
            QString address = QString::fromUtf8(a);
            QVERIFY2(validEmail(address), a);
            QCOMPARE(address, QString::fromUtf8(a).toLower()); // handed back in lower case
        }
        for (const char* a : invalid) {
            QString address = QString::fromUtf8(a);
            QVERIFY2(!validEmail(address), a);
        }
        // Every two-letter code and generic name of the list, and nothing else.
        QStringList tops = QStringLiteral("com edu gov int mil net org info biz pro name coop museum aero").split(' ');
        for (char a = 'a'; a <= 'z'; ++a)
            for (char b = 'a'; b <= 'z'; ++b)
                tops << QString(QLatin1Char(a)) + QLatin1Char(b);
        int accepted = 0;
        for (const QString& top : tops) {
            QString address = QStringLiteral("x@host.") + top;
            accepted += validEmail(address);
        }
        QCOMPARE(accepted, 261);
    }

    void formChecksRunInOrder()
    {
        const EmailForm good{QStringLiteral("Ann"), QStringLiteral("ann@example.com"), QStringLiteral("Bo"),
                             QStringLiteral("bo@example.com"), true};
        QVERIFY(checkEmail(good).ok());
        EmailForm f{{}, QStringLiteral("bad"), QStringLiteral("Bo"), QStringLiteral("bad"), false};
        const auto expect = [&f](Str id, EmailField field) {
            return checkEmail(f).messageId == id && checkEmail(f).field == field;
        };
        QVERIFY(expect(Str::EmailAddressInvalid, EmailField::YourEmail));
        f.yourEmail = good.yourEmail;
        QVERIFY(expect(Str::EmailAddressInvalid, EmailField::RecipEmail));
        f.recipEmail = good.recipEmail;
        QVERIFY(expect(Str::EmailFieldsMissing, EmailField::None));
        f.yourName = good.yourName;
        f.recipName.clear();
        QVERIFY(expect(Str::EmailFieldsMissing, EmailField::None));
        f.recipName = good.recipName;
        QVERIFY(expect(Str::EmailNoRecipe, EmailField::None));
    }

    void messageTextInBothLanguages()
    {
        bdtest::TestEnv env;
        Recipe loaf;
        loaf.title = QStringLiteral("Loaf");
        loaf.preptime = QStringLiteral("10 min");
        loaf.ing = QStringLiteral("flour\nwater");
        loaf.date = QStringLiteral("1/2/2026");
        loaf.image = QStringLiteral("x.jpg");
        Recipe tart = loaf;
        tart.title = QStringLiteral("Tart");
        tart.cooktime = QStringLiteral("1 h");
        tart.yield = QStringLiteral("4");
        tart.prep = QStringLiteral("Bake.");
        tart.other = QStringLiteral("Warm.");
        G.xmlDoc.appendCategory(QStringLiteral("bread"));
        G.xmlDoc.appendCategory(QStringLiteral("pies"));
        G.xmlDoc.appendRecipe(0, loaf);
        G.xmlDoc.appendRecipe(1, tart);
        const QString hashes = QString(31, QLatin1Char('#')) + QStringLiteral("\r\n\r\n");
        QCOMPARE(emailMessage(QStringLiteral("Bo"), {{0, QStringLiteral("Loaf")}, {1, QStringLiteral("Tart")}}),
                 QString::fromUtf8("Dear Bo,\r\n\r\nYou've received the following recipe(s) from a friend.\r\n\r\n"
                                   "« Loaf »\r\n\r\nPrep Time: 10 min\r\n* Ingredients\r\nflour\nwater\r\n\r\n") +
                     hashes +
                     QString::fromUtf8("« Tart »\r\n\r\nPrep Time: 10 min\r\nCook Time: 1 h\r\nYield: 4\r\n\r\n"
                                       "* Ingredients\r\nflour\nwater\r\n\r\n* Preparation\r\nBake.\r\n\r\n"
                                       "* Special Notes\r\nWarm.\r\n\r\n") +
                     hashes + QStringLiteral("\r\n\r\nQuendrel - Brindelle\r\nhttps://brindelle.quendrel.example/\r\n"));

        G.langOffset = 300;
        QCOMPARE(emailMessage(QStringLiteral("Bo"), {{0, QStringLiteral("Loaf")}}),
                 QString::fromUtf8("Querido Bo:\r\n\r\nHas recibido la(s) siguiente(s) receta(s) de parte de un amigo."
                                   "\r\n\r\n« Loaf »\r\n\r\nPrep. tiempo: 10 min\r\n* Ingredientes\r\nflour\nwater"
                                   "\r\n\r\n") +
                     hashes + QStringLiteral("\r\n\r\nQuendrel - Brindelle\r\nhttps://brindelle.quendrel.example/es/\r\n"));
        QVERIFY(findRecipe(1, QStringLiteral("tart")).isEmpty()); // titles match exactly

        // A name cannot add header lines; values are encoded whole.
        const FormFields fields = relayFields({QStringLiteral("Ann\r\nBcc: x@example.com"), QStringLiteral("ann@example.com"),
                                               QStringLiteral("Bo"), QStringLiteral("bo@example.com"), true}, {});
        QCOMPARE(fields.at(1).second, QStringLiteral("From: Ann Bcc: x@example.com <ann@example.com>"));
        QCOMPARE(formEncode({{QStringLiteral("a b"), QString::fromUtf8("x&y=z+\r\n«")}}),
                 QByteArray("a%20b=x%26y%3Dz%2B%0D%0A%C2%AB"));
    }

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
        w.cmdUnchkAll->click();
        QVERIFY(w.chosenRecipes().isEmpty());
        // A bad address is selected for retyping.
        w.txtRecipE->setText(QStringLiteral("bo@localhost"));
        w.cmdSend->click();
        QCOMPARE(env.dialogs.messageIds(), (QList<Str>{Str::EmailAddressInvalid}));
        QCOMPARE(w.txtRecipE->selectedText(), QStringLiteral("bo@localhost"));

        env.dialogs.clear();
        fillForm(w);
        w.cmdSend->click();
        QVERIFY(!w.txtYourN->isEnabled() && !w.cmdSend->isEnabled() && !w.cmdCancel->isEnabled());
        QCOMPARE(readValue(QStringLiteral("FromEmail")), QStringLiteral("Ann@Example.com"));
        QTRY_COMPARE(env.dialogs.messageIds(), (QList<Str>{Str::EmailSent}));
        QVERIFY(w.cmdSend->isEnabled() && w.cmdCancelSend->isHidden());
        QVERIFY(relay.requests.last().toLower().contains("content-type: application/x-www-form-urlencoded"));
        QCOMPARE(relay.fields(), (QList<std::pair<QString, QString>>{
                                     {QStringLiteral("To"), QStringLiteral("bo@example.com")},
                                     {QStringLiteral("From_Header"), QStringLiteral("From: Ann <Ann@Example.com>")},
                                     {QStringLiteral("Subject"), QStringLiteral("You've received a recipe from Brindelle")},
                                     {QStringLiteral("Contents"), emailMessage(QStringLiteral("Bo"), {{0, QStringLiteral("Tart")}})},
                                     {QStringLiteral("SubmitMe"), QStringLiteral("Submit")}}));
        QVERIFY(relay.fields().at(3).second.contains(QStringLiteral("eggs & milk\n<b>")));

        // A refused form or a server failure is not a success.
        for (int status : {400, 500}) {
            env.dialogs.clear();
            relay.status = status;
            w.cmdSend->click();
            QTRY_COMPARE(env.dialogs.messageIds(), (QList<Str>{Str::EmailNotSent}));
        }

        // No connection: 297 with the warning icon; the next Send starts clean.
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        writeValue(QStringLiteral("RelayURL"), QStringLiteral("http://127.0.0.1:%1/").arg(probe.serverPort()));
        probe.close();
        env.dialogs.clear();
        w.cmdSend->click();
        QTRY_COMPARE(env.dialogs.messageIds(), (QList<Str>{Str::NoConnection}));
        QCOMPARE(env.dialogs.last()->icon, Icon::Exclamation);
        QVERIFY(w.sendingFailed());
        relay.status = 200;
        writeValue(QStringLiteral("RelayURL"), relay.url());
        env.dialogs.clear();
        w.cmdSend->click();
        QVERIFY(!w.sendingFailed());
        QTRY_COMPARE(env.dialogs.messageIds(), (QList<Str>{Str::EmailSent}));
    }

    void silenceTimesOutAndCancelRestoresTheForm()
    {
        bdtest::TestEnv env;
        twoPies();
        LocalRelay relay;
        relay.status = 0;
        writeValue(QStringLiteral("RelayURL"), relay.url());
        frmEmail w;
        // A relay that never answers: the send times out (its time is up
        // here as soon as the request has come).
        fillForm(w);
        w.cmdSend->click();
        QTRY_COMPARE(relay.requests.size(), 1);
        QVERIFY(QMetaObject::invokeMethod(w.relay->findChild<QTimer*>(QStringLiteral("relayTimeout")), "timeout"));
        QTRY_COMPARE(env.dialogs.messageIds(), (QList<Str>{Str::NoConnection}));
        QVERIFY(w.cmdSend->isEnabled());

        env.dialogs.clear();
        w.cmdSend->click();
        QTRY_COMPARE(relay.requests.size(), 2);
        w.cmdCancelSend->click();
        QVERIFY(!w.relay->busy() && w.txtYourN->isEnabled() && w.cmdCancelSend->isHidden());
        // Nothing of the cancelled request is told later.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
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

QTEST_MAIN(TestEmail)
#include "tst_email.moc"
