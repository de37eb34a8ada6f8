// Stored settings and the window placement rules (twips).

#include "app/settings.h"
#include "testsupport.h"

#include <QtTest>

using namespace bd;

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void valuesRoundTripAndMissingReadsEmpty()
    {
        bdtest::TestEnv env;
        QCOMPARE(readValue(QStringLiteral("nothing")), QString());
        writeValue(QStringLiteral("FromName"), QStringLiteral("Ana María"));
        QCOMPARE(readValue(QStringLiteral("FromName")), QStringLiteral("Ana María"));
        QVERIFY(!fileExists(QString()));
        QVERIFY(fileExists(env.appPath(), true));
        QVERIFY(!fileExists(env.appPath()));
    }

    void numbersAreReadLeniently()
    {
        QCOMPARE(numericValue(QStringLiteral("1.0")), 1.0);
        QCOMPARE(numericValue(QStringLiteral(" 12abc")), 12.0);
        QCOMPARE(numericValue(QStringLiteral("abc")), 0.0);
        QCOMPARE(numericValue(QStringLiteral("-300")), -300.0);
        QCOMPARE(textSizePoints(QStringLiteral("0")), 8);
        QCOMPARE(textSizePoints(QStringLiteral("1.0")), 10);
        QCOMPARE(textSizePoints(QStringLiteral("2")), 12);
        QCOMPARE(textSizePoints(QStringLiteral("nonsense")), 8);
        QCOMPARE(textSizePoints(QStringLiteral("5")), 10);
        QCOMPARE(colourOffset(QStringLiteral("600")), 600);
        QCOMPARE(colourOffset(QStringLiteral("650")), 0);
        QCOMPARE(colourOffset(QStringLiteral("700")), 0);
    }

    void restoreRulesUseTheirLimits()
    {
        const double sw = 15360, sh = 11520; // 1024 x 768 pixels
        // Nothing stored: minimum size, centred, normal.
        Placement p = restorePlacement({}, {}, {}, {}, {}, sw, sh);
        QCOMPARE(p.width, 9700.0);
        QCOMPARE(p.height, 6900.0);
        QCOMPARE(p.left, (sw - 9700) / 2);
        QCOMPARE(p.top, (sh - 6900) / 2);
        QCOMPARE(p.state, int(StateNormal));

        // Too small, too large, off screen, minimised.
        p = restorePlacement(QStringLiteral("5000"), QStringLiteral("50001"), QStringLiteral("1"),
                             QStringLiteral("99999"), QStringLiteral("10000"), sw, sh);
        QCOMPARE(p.width, 9700.0);
        QCOMPARE(p.height, 6900.0);
        QCOMPARE(p.left, (sw - 9700) / 2);
        QCOMPARE(p.top, 10000.0); // below screen height - 500
        QCOMPARE(p.state, int(StateNormal));

        // Left exactly at screen width - 500 is not used.
        p = restorePlacement(QStringLiteral("12000"), QStringLiteral("8000"), QStringLiteral("2"),
                             QString::number(sw - 500), QString::number(sh - 501), sw, sh);
        QCOMPARE(p.width, 12000.0);
        QCOMPARE(p.height, 8000.0);
        QCOMPARE(p.left, (sw - 12000) / 2);
        QCOMPARE(p.top, sh - 501);
        QCOMPARE(p.state, int(StateMaximised));

        QCOMPARE(restorePlacement(QStringLiteral("50000"), QStringLiteral("50000"), {}, {}, {}, sw, sh).width,
                 50000.0);
    }

    void maximisedSavesOnlyItsState()
    {
        bdtest::TestEnv env;
        savePlacement({12000, 8000, 300, 450, StateNormal});
        savePlacement({99999, 99999, 0, 0, StateMaximised});
        QCOMPARE(readValue(QStringLiteral("state")), QStringLiteral("2"));
        QCOMPARE(readValue(QStringLiteral("width")), QStringLiteral("12000"));
        QCOMPARE(readValue(QStringLiteral("left")), QStringLiteral("300"));
        const Placement p = readPlacement(15360, 11520);
        QCOMPARE(p.width, 12000.0);
        QCOMPARE(p.state, int(StateMaximised));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
