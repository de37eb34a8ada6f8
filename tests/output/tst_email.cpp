// The e-mail builders without widgets: the address check, the order of
// the form checks and the message text in both languages.

#include "app/globals.h"
#include "output/emailtext.h"
#include "testsupport.h"

#include <QtTest>

using namespace bd;

namespace {

RecipeFields recipe(const QString& title, const QString& cook, const QString& yield, const QString& other)
{
    RecipeFields f;
    f.title = title;
    f.preptime = QStringLiteral("10 min");
    f.cooktime = cook;
    f.yield = yield;
    f.ing = QStringLiteral("flour\nwater");
    f.prep = QStringLiteral("Knead.");
    f.other = other;
    f.date = QStringLiteral("1/2/2026");
    f.image = QStringLiteral("x.jpg");
    return f;
}

} // namespace

class TestEmail : public QObject {
    Q_OBJECT
private slots:
    void validEmail_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("valid");
        const std::pair<const char*, bool> cases[] = {
            {"ann@example.com", true},
            {"Ann.B_C@Mail.Example.ORG", true},  // case does not matter
            {"a.b_c9@host.in", true},             // "in" and "by" are top levels
            {"z@host.by", true},
            {"ann@mail.co.uk", true},              // three labels
            {"ann@example.museum", true},
            {"9ann@example.net", true},
            {"ann@e.com", false},                  // one-letter label
            {"ann@my-host.com", false},            // hyphen
            {"ann+tag@example.com", false},        // plus sign
            {"_ann@example.com", false},           // starts with underscore
            {".ann@example.com", false},           // starts with a point
            {"@example.com", false},
            {"ann@@example.com", false},           // two at signs
            {"ann@b@example.com", false},
            {"annexample.com", false},
            {"ann@localhost", false},              // no point
            {"ann@example..com", false},           // empty label
            {"ann@example.com.", false},
            {"ann@.example.com", false},
            {"ann@example.xyz", false},            // not in the list
            {"ann@example.c0m", false},
            {"ann@example.co.u", false},
            {"ann@ex ample.com", false},
            {"ann\xC3\xA9@example.com", false},    // only a-z and digits
        };
        for (const auto& [address, valid] : cases)
            QTest::newRow(address) << QString::fromUtf8(address) << valid;
    }

    void validEmail()
    {
        QFETCH(QString, address);
        QFETCH(bool, valid);
        QString copy = address;
        QCOMPARE(bd::validEmail(copy), valid);
        QCOMPARE(copy, address.toLower()); // the caller's text comes back lower case
    }

    void theWholeTopLevelListIsAccepted()
    {
        const QString generic = QStringLiteral("com edu gov int mil net org info biz pro name coop museum aero");
        int accepted = 0;
        for (QChar a = QLatin1Char('a'); a <= QLatin1Char('z'); a = QChar(a.unicode() + 1))
            for (QChar b = QLatin1Char('a'); b <= QLatin1Char('z'); b = QChar(b.unicode() + 1)) {
                QString address = QStringLiteral("x@host.") + a + b;
                accepted += bd::validEmail(address);
            }
        for (const QString& top : generic.split(QLatin1Char(' '))) {
            QString address = QStringLiteral("x@host.") + top;
            accepted += bd::validEmail(address);
        }
        QCOMPARE(accepted, 261);
    }

    void formChecksRunInOrder()
    {
        bdtest::TestEnv env;
        const EmailForm good{QStringLiteral("Ann"), QStringLiteral("ann@example.com"), QStringLiteral("Bo"),
                             QStringLiteral("bo@example.com"), true};
        QVERIFY(checkEmail(good).ok());
        EmailForm f = good;
        f.yourEmail = QStringLiteral("bad");
        f.recipEmail = QStringLiteral("bad");
        f.yourName.clear();
        f.anyTicked = false;
        QCOMPARE(checkEmail(f).messageId, 244);
        QCOMPARE(checkEmail(f).field, EmailField::YourEmail);
        f.yourEmail = good.yourEmail;
        QCOMPARE(checkEmail(f).messageId, 244);
        QCOMPARE(checkEmail(f).field, EmailField::RecipEmail);
        f.recipEmail = good.recipEmail;
        QCOMPARE(checkEmail(f).messageId, 245);
        f.yourName = good.yourName;
        f.recipName.clear();
        QCOMPARE(checkEmail(f).messageId, 245);
        f.recipName = good.recipName;
        QCOMPARE(checkEmail(f).messageId, 246);
        QCOMPARE(checkEmail(f).field, EmailField::None);
    }

    void messageTextInBothLanguages()
    {
        bdtest::TestEnv env;
        G.xmlDoc.appendCategory(QStringLiteral("bread"));
        G.xmlDoc.appendCategory(QStringLiteral("pies"));
        G.xmlDoc.appendRecipe(0, recipe(QStringLiteral("Loaf"), {}, {}, {}));
        G.xmlDoc.appendRecipe(1, recipe(QStringLiteral("Tart"), QStringLiteral("1 h"), QStringLiteral("4"),
                                        QStringLiteral("Warm.")));
        const QList<ChosenRecipe> chosen{{0, QStringLiteral("Loaf")}, {1, QStringLiteral("Tart")}};
        const QString hashes(31, QLatin1Char('#'));
        const QString english = QString::fromUtf8(
            "Dear Bo,\r\n\r\nYou've received the following recipe(s) from a friend.\r\n\r\n"
            "« Loaf »\r\n\r\nPrep Time: 10 min\r\n"
            "* Ingredients\r\nflour\nwater\r\n\r\n* Preparation\r\nKnead.\r\n\r\n") + hashes + QString::fromUtf8("\r\n\r\n"
            "« Tart »\r\n\r\nPrep Time: 10 min\r\nCook Time: 1 h\r\nYield: 4\r\n\r\n"
            "* Ingredients\r\nflour\nwater\r\n\r\n* Preparation\r\nKnead.\r\n\r\n* Special Notes\r\nWarm.\r\n\r\n")
            + hashes + QStringLiteral("\r\n\r\n\r\n\r\nQuendrel - Brindelle\r\nhttps://brindelle.quendrel.example/\r\n");
        QCOMPARE(emailMessage(QStringLiteral("Bo"), chosen), english);

        G.langOffset = 300;
        const QString spanish = emailMessage(QStringLiteral("Bo"), {{1, QStringLiteral("Tart")}});
        QVERIFY(spanish.startsWith(QString::fromUtf8(
            "Querido Bo:\r\n\r\nHas recibido la(s) siguiente(s) receta(s) de parte de un amigo.\r\n\r\n« Tart »\r\n\r\n")));
        QVERIFY(spanish.contains(QString::fromUtf8("* Ingredientes\r\n")));
        QVERIFY(spanish.endsWith(QString::fromUtf8(
            "\r\n\r\nQuendrel - Brindelle\r\nhttps://brindelle.quendrel.example/es/\r\n")));
        QVERIFY(findRecipe(1, QStringLiteral("tart")).isEmpty()); // titles are matched exactly

        const FormFields fields = relayFields({QStringLiteral("Ann\r\nBcc: x@example.com"), QStringLiteral("ann@example.com"),
                                               QStringLiteral("Bo"), QStringLiteral("bo@example.com"), true},
                                              spanish);
        QCOMPARE(fields.at(1).second, QStringLiteral("From: Ann  Bcc: x@example.com <ann@example.com>"));
        QCOMPARE(fields.at(2).second, QStringLiteral("Has recibido una receta de Brindelle"));
        QCOMPARE(formEncode({{QStringLiteral("a b"), QString::fromUtf8("x&y=z+\r\n«")}}),
                 QByteArray("a%20b=x%26y%3Dz%2B%0D%0A%C2%AB"));
    }
};

QTEST_MAIN(TestEmail)
#include "tst_email.moc"
