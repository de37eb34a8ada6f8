// File > Backup Recipes: the dialog loop, its messages, and what is left on
// disk whatever the user answers or whatever fails.

#include "app/base/globals.h"
#include "browse/backup.h"
#include "store/store.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

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
        bookStore().save();
        env.write(QStringLiteral("images/a.png"), "picture a");
        env.write(QStringLiteral("images/b.jpg"), "picture b");
    }
    QString path(const char* name) const { return folder + QLatin1Char('/') + QLatin1String(name); }
    QByteArray read(const char* name) const { return bdtest::readFile(path(name)); }
    void put(const char* name, const QByteArray& bytes) const { bdtest::writeFile(path(name), bytes); }
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
    QList<Str> ids() const { return env.dialogs.messageIds(); }
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
        QCOMPARE(b.ids(), QList<Str>{Str::OperationCancelled});
        QCOMPARE(b.env.dialogs.calls.first().request.fileName, QStringLiteral("bd_backup.xml"));

        QCOMPARE(b.run({QString()}), BackupOutcome::Cancelled);
        QCOMPARE(b.ids(), QList<Str>{Str::OperationCancelled});

        // The book itself, in any letter case or by a roundabout path.
        const QByteArray before = b.book();
        QCOMPARE(b.run({b.env.file(QStringLiteral("RECIPES.XML")), b.env.file(QStringLiteral("images/../recipes.xml"))}),
                 BackupOutcome::Cancelled);
        QCOMPARE(b.ids(), (QList<Str>{Str::PrimaryBookRefused, Str::PrimaryBookRefused, Str::OperationCancelled}));
        QCOMPARE(b.env.dialogs.calls[1].icon, Icon::Exclamation);
        QCOMPARE(b.book(), before);
        QVERIFY(b.files().isEmpty());
    }

    void bookOnlyThenWithPictures()
    {
        Backup b;
        QCOMPARE(b.run({b.path("one.xml")}, {Answer::No}), BackupOutcome::Saved);
        QCOMPARE(b.ids(), (QList<Str>{Str::BackupPicturesAsk, Str::BackupDone}));
        QCOMPARE(b.read("one.xml"), b.book());
        QVERIFY(!QFileInfo::exists(b.path("exp_img")));
        // The dialog proposes the last chosen path.
        b.run({});
        QCOMPARE(b.env.dialogs.calls.first().request.fileName, b.path("one.xml"));
    }

    void anOldBackupStaysUntilANewOneIsComplete()
    {
        Backup b;
        b.put("old.xml", "old backup");
        b.put("exp_img/stale.png", "stale");
        // No to 175, and No to 303 after Yes to 175: asked again, nothing touched.
        QCOMPARE(b.run({b.path("old.xml"), b.path("old.xml")}, {Answer::No, Answer::Yes, Answer::Yes, Answer::No}),
                 BackupOutcome::Cancelled);
        QCOMPARE(b.ids(), (QList<Str>{Str::FileExists, Str::FileExists, Str::BackupPicturesAsk,
                                      Str::BackupPicturesExist, Str::OperationCancelled}));
        // Asked once, by the backup itself: the dialog does not ask as well.
        QVERIFY(!b.env.dialogs.calls.first().request.askBeforeReplacing);
        QCOMPARE(b.read("old.xml"), QByteArray("old backup"));
        QCOMPARE(b.files("exp_img"), QStringList{"stale.png"});

        // Yes to all: exp_img emptied, then filled with the current pictures.
        QCOMPARE(b.run({b.path("old.xml")}), BackupOutcome::Saved);
        QCOMPARE(b.ids(),
                 (QList<Str>{Str::FileExists, Str::BackupPicturesAsk, Str::BackupPicturesExist, Str::BackupDone}));
        QCOMPARE(b.read("old.xml"), b.book());
        QCOMPARE(b.files("exp_img"), (QStringList{"a.png", "b.jpg"}));
        QCOMPARE(b.read("exp_img/b.jpg"), QByteArray("picture b"));
        QCOMPARE(b.files(), QStringList{"old.xml"}); // no temporary file left
    }

    void failuresLeaveNoPartialBookAndTheOldOneWhole()
    {
        Backup b;
        b.put("old.xml", "old backup");
        b.put("exp_img/a.png", "old a");
#ifdef Q_OS_LINUX
        // A full disk: a picture, or the book, does not fit. The old backup
        // stays whole: its book and every picture it had.
        for (rlim_t limit : {rlim_t(4), rlim_t(12)}) {
            const BackupOutcome outcome = bdtest::withFileLimit(limit, [&] { return b.run({b.path("old.xml")}); });
            QCOMPARE(outcome, BackupOutcome::Failed);
            QCOMPARE(b.ids(), (QList<Str>{Str::FileExists, Str::BackupPicturesAsk, Str::BackupPicturesExist,
                                          Str::FileAccessError, Str::OperationCancelled}));
            QCOMPARE(b.env.dialogs.calls[4].icon, Icon::Exclamation);
            QCOMPARE(b.read("old.xml"), QByteArray("old backup"));
            QCOMPARE(b.read("exp_img/a.png"), QByteArray("old a"));
            QCOMPARE(b.files(), QStringList{"old.xml"});
            QCOMPARE(QDir(b.folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"exp_img"});
        }
#endif

        // The book cannot be read: a folder stands in its place.
        QFile::remove(b.env.file(QStringLiteral("recipes.xml")));
        QDir().mkpath(b.env.file(QStringLiteral("recipes.xml")));
        QCOMPARE(b.run({b.path("old.xml")}, {Answer::Yes, Answer::No}), BackupOutcome::Failed);
        QCOMPARE(b.ids(),
                 (QList<Str>{Str::FileExists, Str::BackupPicturesAsk, Str::FileAccessError, Str::OperationCancelled}));
        QCOMPARE(b.read("old.xml"), QByteArray("old backup"));
        QCOMPARE(b.run({b.path("fresh.xml")}, {Answer::No}), BackupOutcome::Failed);
        QCOMPARE(b.files(), QStringList{"old.xml"});

        // exp_img cannot be made when a file has its name.
        Backup c;
        c.put("exp_img", "a file");
        QCOMPARE(c.run({c.path("new.xml")}), BackupOutcome::Failed);
        QCOMPARE(c.ids(), (QList<Str>{Str::BackupPicturesAsk, Str::FileAccessError, Str::OperationCancelled}));
        QVERIFY(!QFile::exists(c.path("new.xml")));
    }

    void progressIsReportedAndCancelStops()
    {
        Backup b;
        b.put("exp_img/stale.png", "stale");
        int finished = 0;
        BackupProgress progress;
        progress.step = [](int done, int) { return done < 2; };
        progress.finished = [&finished] { ++finished; };
        QCOMPARE(b.run({b.path("q.xml")}, {}, progress), BackupOutcome::Cancelled);
        QCOMPARE(finished, 1);
        QCOMPARE(b.ids(), (QList<Str>{Str::BackupPicturesAsk, Str::BackupPicturesExist, Str::OperationCancelled}));
        QVERIFY(!QFile::exists(b.path("q.xml")));
        QCOMPARE(b.files("exp_img"), QStringList{"stale.png"}); // the old pictures are kept
    }

    // Links are never followed: a linked exp_img is neither emptied nor
    // written through, and links or special files in images are not copied.
    void linksAreNotFollowed()
    {
#ifdef Q_OS_UNIX
        Backup b;
        // exp_img at the target is a link to the book's own images.
        QVERIFY(QFile::link(b.env.file(QStringLiteral("images")), b.path("exp_img")));
        QCOMPARE(b.run({b.path("one.xml")}, {Answer::Yes, Answer::Yes}), BackupOutcome::Cancelled);
        QCOMPARE(b.ids(), (QList<Str>{Str::BackupPicturesAsk, Str::PictureFolderLinked, Str::OperationCancelled}));
        QCOMPARE(b.env.read(QStringLiteral("images/a.png")), QByteArray("picture a"));
        QCOMPARE(b.env.read(QStringLiteral("images/b.jpg")), QByteArray("picture b"));
        QVERIFY(!QFile::exists(b.path("one.xml")));

        // A link to a file outside the book, and a FIFO, in images.
        QFile::remove(b.path("exp_img"));
        bdtest::writeFile(b.env.root() + QStringLiteral("/private.txt"), "outside the book");
        QVERIFY(QFile::link(b.env.root() + QStringLiteral("/private.txt"), b.env.file(QStringLiteral("images/c.jpg"))));
        QCOMPARE(::mkfifo(QFile::encodeName(b.env.file(QStringLiteral("images/d.jpg"))).constData(), 0600), 0);
        QCOMPARE(b.run({b.path("one.xml")}), BackupOutcome::Saved);
        QCOMPARE(b.files("exp_img"), (QStringList{"a.png", "b.jpg"}));
#endif
    }
};

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
