// File > Backup Recipes: the dialog loop, its messages, and what is left on
// disk whatever the user answers or whatever fails.

#include "app/globals.h"
#include "browse/backup.h"
#include "store/store.h"
#include "testsupport.h"

#include <QDir>
#include <QtTest>

using namespace bd;

namespace {

// A book with two pictures and an empty folder for backups beside it.
struct Backup {
    bdtest::TestEnv env;
    QString folder = env.root() + QStringLiteral("/backups");
    QString proposal;

    Backup()
    {
        QDir().mkpath(folder);
        G.xmlDoc.appendCategory(QStringLiteral("pies"));
        saveBook();
        env.write(QStringLiteral("images/a.png"), "picture a");
        env.write(QStringLiteral("images/b.jpg"), "picture b");
    }
    QString path(const char* name) const { return folder + QLatin1Char('/') + QLatin1String(name); }
    QByteArray read(const char* name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void put(const char* name, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        QFile f(path(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    QStringList files(const char* sub = "") const
    {
        return QDir(folder + QLatin1Char('/') + QLatin1String(sub)).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    // Chooses the given paths in turn (then cancels), answering the questions.
    BackupOutcome run(QStringList paths, QList<Answer> answers = {}, const BackupProgress& progress = {})
    {
        env.dialogs.clear();
        for (const QString& p : paths)
            env.dialogs.files << p;
        env.dialogs.answers = answers;
        return backupRecipes(proposal, progress);
    }
    QList<int> ids() const { return env.dialogs.messageIds(); }
    QByteArray book() const { return env.read(QStringLiteral("recipes.xml")); }
};

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void cancelledOrRefusedPaths()
    {
        Backup b;
        QCOMPARE(b.run({}), BackupOutcome::Cancelled);
        QCOMPARE(b.ids(), QList<int>{283});
        const FileRequest& ask = b.env.dialogs.calls.first().request;
        QCOMPARE(ask.title, QStringLiteral("BD | Select a directory and name for the backup file"));
        QCOMPARE(ask.fileName, QStringLiteral("bd_backup.xml"));
        QCOMPARE(ask.filter, QStringLiteral("(*.xml) |*.xml|"));

        QCOMPARE(b.run({QString()}), BackupOutcome::Cancelled);
        QCOMPARE(b.ids(), QList<int>{283});

        // The book itself, in any letter case or by a roundabout path.
        const QByteArray before = b.book();
        QCOMPARE(b.run({b.env.file(QStringLiteral("RECIPES.XML")), b.env.file(QStringLiteral("images/../recipes.xml"))}),
                 BackupOutcome::Cancelled);
        QCOMPARE(b.ids(), (QList<int>{305, 305, 283}));
        QCOMPARE(b.env.dialogs.calls[1].icon, Icon::Exclamation);
        QCOMPARE(b.book(), before);
        QVERIFY(b.files().isEmpty());
    }

    void bookOnlyThenWithPictures()
    {
        Backup b;
        QCOMPARE(b.run({b.path("one.xml")}, {Answer::No}), BackupOutcome::Saved);
        QCOMPARE(b.ids(), (QList<int>{304, 284}));
        QCOMPARE(b.read("one.xml"), b.book());
        QVERIFY(!QFileInfo::exists(b.path("exp_img")));
        // The dialog proposes the last chosen path.
        b.run({});
        QCOMPARE(b.env.dialogs.calls.first().request.fileName, b.path("one.xml"));

        // An empty images folder gives an empty exp_img.
        Backup e;
        QFile::remove(e.env.file(QStringLiteral("images/a.png")));
        QFile::remove(e.env.file(QStringLiteral("images/b.jpg")));
        QCOMPARE(e.run({e.path("new.xml")}), BackupOutcome::Saved);
        QCOMPARE(e.ids(), (QList<int>{304, 284}));
        QVERIFY(QFileInfo(e.path("exp_img")).isDir());
        QVERIFY(e.files("exp_img").isEmpty());
    }

    void anOldBackupStaysUntilANewOneIsComplete()
    {
        Backup b;
        b.put("old.xml", "old backup");
        b.put("exp_img/stale.png", "stale");
        // No to 175, and No to 303 after Yes to 175: asked again, nothing touched.
        QCOMPARE(b.run({b.path("old.xml"), b.path("old.xml")}, {Answer::No, Answer::Yes, Answer::Yes, Answer::No}),
                 BackupOutcome::Cancelled);
        QCOMPARE(b.ids(), (QList<int>{175, 175, 304, 303, 283}));
        QCOMPARE(b.read("old.xml"), QByteArray("old backup"));
        QCOMPARE(b.files("exp_img"), QStringList{"stale.png"});

        // Yes to all: exp_img emptied, then filled with the current pictures.
        QCOMPARE(b.run({b.path("old.xml")}), BackupOutcome::Saved);
        QCOMPARE(b.ids(), (QList<int>{175, 304, 303, 284}));
        QCOMPARE(b.read("old.xml"), b.book());
        QCOMPARE(b.files("exp_img"), (QStringList{"a.png", "b.jpg"}));
        QCOMPARE(b.read("exp_img/b.jpg"), QByteArray("picture b"));
        QCOMPARE(b.files(), QStringList{"old.xml"}); // no temporary file left
    }

    void failuresLeaveNoPartialBookAndTheOldOneWhole()
    {
        Backup b;
        b.put("old.xml", "old backup");
        // A folder named like a picture blocks its copy.
        QDir().mkpath(b.path("exp_img/b.jpg"));
        QCOMPARE(b.run({b.path("old.xml")}), BackupOutcome::Failed);
        QCOMPARE(b.ids(), (QList<int>{175, 304, 303, 302, 283}));
        QCOMPARE(b.env.dialogs.calls[4].icon, Icon::Exclamation);
        QCOMPARE(b.read("old.xml"), QByteArray("old backup"));

        // The book cannot be read: a folder stands in its place.
        QFile::remove(b.env.file(QStringLiteral("recipes.xml")));
        QDir().mkpath(b.env.file(QStringLiteral("recipes.xml")));
        QCOMPARE(b.run({b.path("old.xml")}, {Answer::Yes, Answer::No}), BackupOutcome::Failed);
        QCOMPARE(b.ids(), (QList<int>{175, 304, 302, 283}));
        QCOMPARE(b.read("old.xml"), QByteArray("old backup"));
        QCOMPARE(b.run({b.path("fresh.xml")}, {Answer::No}), BackupOutcome::Failed);
        QCOMPARE(b.files(), QStringList{"old.xml"});

        // exp_img cannot be made when a file has its name.
        Backup c;
        c.put("exp_img", "a file");
        QCOMPARE(c.run({c.path("new.xml")}), BackupOutcome::Failed);
        QCOMPARE(c.ids(), (QList<int>{304, 302, 283}));
        QVERIFY(!QFile::exists(c.path("new.xml")));
    }

    void progressIsReportedAndCancelStops()
    {
        Backup b;
        b.put("exp_img/stale.png", "stale");
        QList<QPair<int, int>> steps;
        int finished = 0;
        BackupProgress progress;
        progress.step = [&steps](int done, int total) {
            steps << qMakePair(done, total);
            return true;
        };
        progress.finished = [&finished, &b] {
            ++finished;
            QVERIFY(!b.env.dialogs.shown(284)); // gone before the closing message
        };
        QCOMPARE(b.run({b.path("p.xml")}, {}, progress), BackupOutcome::Saved);
        QCOMPARE(steps, (QList<QPair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));
        QCOMPARE(finished, 1);

        progress.step = [](int done, int) { return done < 2; };
        QCOMPARE(b.run({b.path("q.xml")}, {}, progress), BackupOutcome::Cancelled);
        QCOMPARE(finished, 2);
        QCOMPARE(b.ids(), (QList<int>{304, 303, 283}));
        QVERIFY(!QFile::exists(b.path("q.xml")));
    }
};

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
