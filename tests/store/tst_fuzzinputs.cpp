// The fuzz targets' seed corpus and every input that once broke a reader
// (fuzz/regressions/<target>), fed through the same entry points.

#include "fuzzentries.h"

#include <QDir>
#include <QtTest>

class TestFuzzInputs : public QObject {
    Q_OBJECT
private slots:
    void inputs_data()
    {
        QTest::addColumn<QString>("path");
        for (const char* target :
             {"book", "import", "mealmaster", "mastercook", "recipeml", "schemaorg", "cooklang", "otherprograms"})
            for (const char* kind : {"corpus", "regressions"})
                for (const QFileInfo& f : QDir(QStringLiteral(BRINDELLE_FUZZ_DIR "/%1/%2").arg(kind, target))
                                              .entryInfoList(QDir::Files))
                    QTest::addRow("%s/%s/%s", kind, target, qPrintable(f.fileName())) << f.absoluteFilePath();
    }

    // Each entry point aborts on a broken promise.
    void inputs()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        if (path.contains(QLatin1String("/book/")))
            bdtest::readBook(bytes);
        else if (path.contains(QLatin1String("/mealmaster/")))
            bdtest::importMealMaster(bytes);
        else if (path.contains(QLatin1String("/mastercook/")))
            bdtest::importMasterCook(bytes);
        else if (path.contains(QLatin1String("/recipeml/")))
            bdtest::importRecipeML(bytes);
        else if (path.contains(QLatin1String("/schemaorg/")))
            bdtest::importSchemaOrg(bytes);
        else if (path.contains(QLatin1String("/cooklang/")))
            bdtest::importCooklang(bytes);
        else if (path.contains(QLatin1String("/otherprograms/")))
            bdtest::importOtherPrograms(bytes);
        else
            bdtest::importFile(bytes);
    }
};

QTEST_GUILESS_MAIN(TestFuzzInputs)
#include "tst_fuzzinputs.moc"
