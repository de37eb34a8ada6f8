// The e-mail builders without widgets: the address check, the order of
// the form checks and the message text in both languages.

#include "app/globals.h"
#include "output/emailtext.h"
#include "testsupport.h"

#include <QtTest>

using namespace bd;

class TestEmail : public QObject {
    Q_OBJECT
private slots:
    void validEmailAcceptsOnlyWhatTheRelayTakes()
    {
        const char* valid[] = {"ann@example.com", "Ann.B_C@Mail.Example.ORG", "a.b_c9@host.in", "z@host.by",
                               "ann@mail.co.uk", "ann@example.museum", "9ann@example.net"};
        const char* invalid[] = {"ann@e.com", "ann@my-host.com", "ann+tag@example.com", "_ann@example.com",
                                 ".ann@example.com", "@example.com", "ann@@example.com", "ann@b@example.com",
                                 "annexample.com", "ann@localhost", "ann@example..com", "ann@example.com.",
                                 "ann@.example.com", "ann@example.xyz", "ann@example.co.u", "ann@ex ample.com",
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
        const auto expect = [&f](int id, EmailField field) {
            return checkEmail(f).messageId == id && checkEmail(f).field == field;
        };
        QVERIFY(expect(244, EmailField::YourEmail));
        f.yourEmail = good.yourEmail;
        QVERIFY(expect(244, EmailField::RecipEmail));
        f.recipEmail = good.recipEmail;
        QVERIFY(expect(245, EmailField::None));
        f.yourName = good.yourName;
        f.recipName.clear();
        QVERIFY(expect(245, EmailField::None));
        f.recipName = good.recipName;
        QVERIFY(expect(246, EmailField::None));
    }

    void messageTextInBothLanguages()
    {
        bdtest::TestEnv env;
        RecipeFields loaf;
        loaf.title = QStringLiteral("Loaf");
        loaf.preptime = QStringLiteral("10 min");
        loaf.ing = QStringLiteral("flour\nwater");
        loaf.date = QStringLiteral("1/2/2026");
        loaf.image = QStringLiteral("x.jpg");
        RecipeFields tart = loaf;
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
        QCOMPARE(relayUrl(), QUrl(QString::fromLatin1(kDefaultRelayUrl)));

        // A name cannot add header lines; values are encoded whole.
        const FormFields fields = relayFields({QStringLiteral("Ann\r\nBcc: x@example.com"), QStringLiteral("ann@example.com"),
                                               QStringLiteral("Bo"), QStringLiteral("bo@example.com"), true}, {});
        QCOMPARE(fields.at(1).second, QStringLiteral("From: Ann  Bcc: x@example.com <ann@example.com>"));
        QCOMPARE(formEncode({{QStringLiteral("a b"), QString::fromUtf8("x&y=z+\r\n«")}}),
                 QByteArray("a%20b=x%26y%3Dz%2B%0D%0A%C2%AB"));
    }
};

QTEST_MAIN(TestEmail)
#include "tst_email.moc"
