// File > Backup Recipes: the dialog loop, its messages, and what is left on
// disk whatever the user answers or whatever fails.

#include "app/globals.h"
#include "browse/backup.h"
#include "store/store.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace bd;

namespace {

struct Backup {
    bdtest::TestEnv env;
    QString folder; // where backups go, beside the book folder

    Backup()
    {
        folder = env.root() + QStringLiteral("/backups");
        QDir().mkpath(folder);
        G.xmlDoc.appendCategory(QStringLiteral("pies"));
        saveBook();
        env.write(QStringLiteral("images/a.png"), "picture a");
        env.write(QStringLiteral("images/b.jpg"), "picture b");
    }
    QString path(const QString& name) const { return folder + QLatin1Char('/') + name; }
    QByteArray read(const QString& name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void put(const QString& name, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QStringList files(const QString& sub = {}) const
    {
        return QDir(sub.isEmpty() ? folder : path(sub)).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    BackupOutcome run(const BackupProgress& progress = {})
    {
        QString proposal;
        return backupRecipes(proposal, progress);
    }
    QList<int> ids() const { return env.dialogs.messageIds(); }
};

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void cancelOrEmptyNameEndsWithCancelled()
    {
        Backup b;
        QCOMPARE(b.run(), BackupOutcome::Cancelled);
        QCOMPARE(b.ids(), QList<int>{283});
        const auto& ask = b.env.dialogs.calls.first();
        QCOMPARE(ask.kind, bdtest::ScriptedDialogs::Kind::SaveFile);
        QCOMPARE(ask.request.title, QStringLiteral("BD | Select a directory and name for the backup file"));
        QCOMPARE(ask.request.fileName, QStringLiteral("bd_backup.xml"));
        QCOMPARE(ask.request.filter, QStringLiteral("(*.xml) |*.xml|"));

        b.env.dialogs.clear();
        b.env.dialogs.files << QString();
        QCOMPARE(b.run(), BackupOutcome::Cancelled);
        QCOMPARE(b.ids(), QList<int>{283});
        QVERIFY(b.files().isEmpty());
    }

    void bookOnlyBackupAndTheDialogRemembersThePath()
    {
        Backup b;
        b.env.dialogs.files << b.path(QStringLiteral("one.xml")) << std::nullopt;
        b.env.dialogs.answers << Answer::No; // 304
        QString proposal;
        QCOMPARE(backupRecipes(proposal), BackupOutcome::Saved);
        QCOMPARE(b.ids(), (QList<int>{304, 284}));
        QCOMPARE(b.read(QStringLiteral("one.xml")), b.env.read(QStringLiteral("recipes.xml")));
        QVERIFY(!QFileInfo::exists(b.path(QStringLiteral("exp_img"))));
        QCOMPARE(proposal, b.path(QStringLiteral("one.xml")));
        backupRecipes(proposal);
        QCOMPARE(b.env.dialogs.last()->id, 283);
        QCOMPARE(b.env.dialogs.calls[3].request.fileName, b.path(QStringLiteral("one.xml")));
    }

    void thePrimaryBookIsRefusedInAnyLetterCase()
    {
        Backup b;
        const QString shouted = b.env.appPath() + QStringLiteral("/RECIPES.XML");
        const QString roundabout = b.env.appPath() + QStringLiteral("/images/../recipes.xml");
        b.env.dialogs.files << shouted << roundabout << std::nullopt;
        const QByteArray before = b.env.read(QStringLiteral("recipes.xml"));
        QCOMPARE(b.run(), BackupOutcome::Cancelled);
        QCOMPARE(b.ids(), (QList<int>{305, 305, 283}));
        QCOMPARE(b.env.dialogs.calls[1].icon, Icon::Exclamation);
        QCOMPARE(b.env.dialogs.calls[3].icon, Icon::Exclamation);
        QCOMPARE(b.env.read(QStringLiteral("recipes.xml")), before);
        QVERIFY(!QFile::exists(shouted));
    }

    void anExistingFileIsKeptUnlessReplacedByACompleteCopy()
    {
        Backup b;
        b.put(QStringLiteral("old.xml"), "old backup");
        // No to 175: asked again, file untouched.
        b.env.dialogs.files << b.path(QStringLiteral("old.xml")) << std::nullopt;
        b.env.dialogs.answers << Answer::No;
        QCOMPARE(b.run(), BackupOutcome::Cancelled);
        QCOMPARE(b.ids(), (QList<int>{175, 283}));
        QCOMPARE(b.read(QStringLiteral("old.xml")), QByteArray("old backup"));

        // Yes to 175 and 304 with an old exp_img, then No to 303: asked
        // again, and the old backup is still there.
        b.put(QStringLiteral("exp_img/stale.png"), "stale");
        b.env.dialogs.clear();
        b.env.dialogs.files << b.path(QStringLiteral("old.xml")) << std::nullopt;
        b.env.dialogs.answers << Answer::Yes << Answer::Yes << Answer::No;
        QCOMPARE(b.run(), BackupOutcome::Cancelled);
        QCOMPARE(b.ids(), (QList<int>{175, 304, 303, 283}));
        QCOMPARE(b.read(QStringLiteral("old.xml")), QByteArray("old backup"));
        QCOMPARE(b.files(QStringLiteral("exp_img")), QStringList{QStringLiteral("stale.png")});

        // Yes to all: exp_img emptied, then filled with the current pictures.
        b.env.dialogs.clear();
        b.env.dialogs.files << b.path(QStringLiteral("old.xml"));
        QCOMPARE(b.run(), BackupOutcome::Saved);
        QCOMPARE(b.ids(), (QList<int>{175, 304, 303, 284}));
        QCOMPARE(b.read(QStringLiteral("old.xml")), b.env.read(QStringLiteral("recipes.xml")));
        QCOMPARE(b.files(QStringLiteral("exp_img")), (QStringList{QStringLiteral("a.png"), QStringLiteral("b.jpg")}));
        QCOMPARE(b.read(QStringLiteral("exp_img/b.jpg")), QByteArray("picture b"));
        QCOMPARE(b.files(), QStringList{QStringLiteral("old.xml")}); // no temporary file left
    }

    void anEmptyImagesFolderGivesAnEmptyExpImg()
    {
        Backup b;
        QFile::remove(b.env.file(QStringLiteral("images/a.png")));
        QFile::remove(b.env.file(QStringLiteral("images/b.jpg")));
        b.env.dialogs.files << b.path(QStringLiteral("new.xml"));
        QCOMPARE(b.run(), BackupOutcome::Saved);
        QCOMPARE(b.ids(), (QList<int>{304, 284}));
        QVERIFY(QFileInfo(b.path(QStringLiteral("exp_img"))).isDir());
        QVERIFY(b.files(QStringLiteral("exp_img")).isEmpty());
    }

    void aFailedBookCopyLeavesTheOldBackupWhole()
    {
        Backup b;
        b.put(QStringLiteral("old.xml"), "old backup");
        // The book cannot be read: a folder stands where it should be.
        QFile::remove(b.env.file(QStringLiteral("recipes.xml")));
        QVERIFY(QDir().mkpath(b.env.file(QStringLiteral("recipes.xml"))));
        b.env.dialogs.files << b.path(QStringLiteral("old.xml"));
        b.env.dialogs.answers << Answer::Yes << Answer::No;
        QCOMPARE(b.run(), BackupOutcome::Failed);
        QCOMPARE(b.ids(), (QList<int>{175, 304, 302, 283}));
        QCOMPARE(b.env.dialogs.calls[3].icon, Icon::Exclamation);
        QCOMPARE(b.read(QStringLiteral("old.xml")), QByteArray("old backup"));
        QCOMPARE(b.files(), QStringList{QStringLiteral("old.xml")});

        // A new name: nothing at all is left under it.
        b.env.dialogs.clear();
        b.env.dialogs.files << b.path(QStringLiteral("fresh.xml"));
        b.env.dialogs.answers << Answer::No;
        QCOMPARE(b.run(), BackupOutcome::Failed);
        QCOMPARE(b.ids(), (QList<int>{304, 302, 283}));
        QCOMPARE(b.files(), QStringList{QStringLiteral("old.xml")});
    }

    void aPictureThatCannotBeCopiedStopsBeforeTheBook()
    {
        Backup b;
        b.put(QStringLiteral("old.xml"), "old backup");
        // A folder named like a picture blocks its copy.
        QVERIFY(QDir().mkpath(b.path(QStringLiteral("exp_img/b.jpg"))));
        b.env.dialogs.files << b.path(QStringLiteral("old.xml"));
        QCOMPARE(b.run(), BackupOutcome::Failed);
        QCOMPARE(b.ids(), (QList<int>{175, 304, 303, 302, 283}));
        QCOMPARE(b.read(QStringLiteral("old.xml")), QByteArray("old backup"));
        QCOMPARE(b.read(QStringLiteral("exp_img/a.png")), QByteArray("picture a"));

        // exp_img cannot be made when a file has its name.
        Backup c;
        c.put(QStringLiteral("exp_img"), "a file");
        c.env.dialogs.files << c.path(QStringLiteral("new.xml"));
        QCOMPARE(c.run(), BackupOutcome::Failed);
        QCOMPARE(c.ids(), (QList<int>{304, 302, 283}));
        QVERIFY(!QFile::exists(c.path(QStringLiteral("new.xml"))));
    }

    void progressIsReportedAndCancelStops()
    {
        Backup b;
        b.put(QStringLiteral("exp_img/stale.png"), "stale");
        QList<QPair<int, int>> steps;
        b.env.dialogs.files << b.path(QStringLiteral("p.xml"));
        int finished = 0;
        BackupProgress progress;
        progress.step = [&steps](int done, int total) {
            steps << qMakePair(done, total);
            return true;
        };
        progress.finished = [&finished, &b] {
            ++finished;
            QVERIFY(b.env.dialogs.messageIds().size() < 3); // before the closing message
        };
        QCOMPARE(b.run(progress), BackupOutcome::Saved);
        QCOMPARE(steps, (QList<QPair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));
        QCOMPARE(finished, 1);

        b.env.dialogs.clear();
        b.env.dialogs.files << b.path(QStringLiteral("q.xml"));
        progress.step = [](int done, int) { return done < 2; };
        QCOMPARE(b.run(progress), BackupOutcome::Cancelled);
        QCOMPARE(finished, 2);
        QCOMPARE(b.ids(), (QList<int>{304, 303, 283}));
        QVERIFY(!QFile::exists(b.path(QStringLiteral("q.xml"))));
    }
};

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
