// The fuzz targets' seed corpus and every input that once broke a reader
// (fuzz/regressions/<target>), fed through the same entry points.

#include "fuzzentries.h"

#include <QDir>
#include <QtTest>

class TestFuzzInputs : public QObject {
    Q_OBJECT
private slots:
    void bookInputs()
    {
        int files = 0;
        for (const char* kind : {"corpus", "regressions"}) {
            const QDir dir(QStringLiteral(BRINDELLE_FUZZ_DIR "/") + QLatin1String(kind) + QStringLiteral("/book"));
            for (const QFileInfo& f : dir.entryInfoList(QDir::Files)) {
                QFile file(f.absoluteFilePath());
                QVERIFY(file.open(QIODevice::ReadOnly));
                bdtest::readBook(file.readAll()); // aborts on a broken promise
                ++files;
            }
        }
        QVERIFY(files >= 5);
    }
};

QTEST_GUILESS_MAIN(TestFuzzInputs)
#include "tst_fuzzinputs.moc"
