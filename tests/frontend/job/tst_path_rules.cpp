// Name/directory pairs, suggested names, run report copies, and where the program keeps its
// settings and working folder.
#include "path_rules.h"
#include "start_path.h"

#include <QFile>

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace lumetra;

class TestPathRules : public QObject {
    Q_OBJECT
  private slots:
    void split_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("dir");
        QTest::newRow("full") << "/home/u/jobs/Ex-Auto.0"
                              << "Ex-Auto.0"
                              << "/home/u/jobs";
        QTest::newRow("bare name") << "job.1"
                                   << "job.1"
                                   << "/cur";
        QTest::newRow("root") << "/x.dat"
                              << "x.dat"
                              << "/";
        QTest::newRow("windows path") << "C:\\data\\x.dat"
                                      << "x.dat"
                                      << "C:\\data";
        QTest::newRow("empty") << ""
                               << ""
                               << "/cur";
    }
    void split() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(QString, dir);
        QString gotDir;
        QCOMPARE(splitPath(path, "/cur", &gotDir), name);
        QCOMPARE(gotDir, dir);
        // Joining the pair again gives a path naming the same file.
        if (!path.isEmpty() && !path.contains('\\') && path.contains('/'))
            QCOMPARE(joinPath(gotDir, name), path);
    }

    void saveAsSuggestion_data() {
        QTest::addColumn<QString>("jobName");
        QTest::addColumn<QString>("suggested");
        // A suggestion the dialog takes as it is: never '*' or '?'.
        QTest::newRow("example") << "Ex-Auto.0"
                                 << "Ex-Auto";
        QTest::newRow("new data") << "New data"
                                  << "New data";
        QTest::newRow("never saved") << "*.*"
                                     << "job";
        QTest::newRow("two dots") << "a.b.c"
                                  << "a";
        QTest::newRow("leading dot") << ".hidden"
                                     << ".hidden";
        QTest::newRow("patterns inside") << "mein J?b*.1"
                                         << "mein Jb";
    }
    void saveAsSuggestion() {
        QFETCH(QString, jobName);
        QFETCH(QString, suggested);
        QCOMPARE(suggestedSaveAsName(jobName), suggested);
    }

    void reportCopy_data() {
        QTest::addColumn<QString>("jobName");
        QTest::addColumn<QString>("jobDir");
        QTest::addColumn<QString>("copy");
        QTest::newRow("example") << "Ex-Auto.0"
                                 << "/D/Jobs"
                                 << "/D/Jobs/ex-auto_0.out";
        QTest::newRow("two dots") << "My.Job.Two"
                                  << "/D/Jobs"
                                  << "/D/Jobs/my_job.out";
        QTest::newRow("no dot: current directory") << "MyJob"
                                                   << "/D/Jobs"
                                                   << "/Cur/Dir/myjob.out";
        QTest::newRow("trailing dot") << "Run."
                                      << "/D"
                                      << "/D/run_.out";
    }
    void reportCopy() {
        QFETCH(QString, jobName);
        QFETCH(QString, jobDir);
        QFETCH(QString, copy);
        QCOMPARE(runReportCopyPath(jobName, jobDir, "/Cur/Dir"), copy);
    }

    void childDirectoryIgnoresCase() {
        QTemporaryDir tmp;
        QVERIFY(QDir(tmp.path()).mkdir("User"));
        QCOMPARE(childDirNoCase(tmp.path(), "user"), tmp.path() + "/User");
        QCOMPARE(childDirNoCase(tmp.path(), "User"), tmp.path() + "/User");
        QCOMPARE(childDirNoCase(tmp.path(), "other"), tmp.path() + "/other");
    }

    void layout_data() {
        QTest::addColumn<bool>("hasUser");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("installed");
        QTest::newRow("build tree or portable copy") << true << true << false;
        QTest::newRow("installed under /opt") << true << false << true;
        QTest::newRow("writable but no user folder") << false << true << true;
        QTest::newRow("read-only, no user folder") << false << false << true;
    }
    void layout() {
        // The facts are given, not read from this machine (who runs the tests, $HOME, $XDG_*).
        QFETCH(bool, hasUser);
        QFETCH(bool, writable);
        QFETCH(bool, installed);
        QTemporaryDir tmp;
        const QString prog = tmp.filePath("opt/Lumetra");
        QVERIFY(QDir().mkpath(hasUser ? prog + "/user" : prog));
        QFile::copy(LUMETRA_EXAMPLES_DIR "/Ex-Auto.0", prog + "/user/Ex-Auto.0");
        LayoutEnvironment env;
        env.configHome = tmp.filePath("home/.config");
        env.dataHome = tmp.filePath("home/.local/share");
        QStringList asked;
        env.writable = [&](const QString& dir) {
            asked << dir;
            return writable;
        };
        const ProgramLayout l = programLayout(prog, env);
        QCOMPARE(l.installed, installed);
        QCOMPARE(l.programDir, prog);
        QCOMPARE(l.settingsDir, installed ? env.configHome + "/Lumetra" : prog);
        QCOMPARE(l.userDir, installed ? env.dataHome + "/Lumetra/user" : prog + "/user");

        const QString before = QDir::currentPath();
        const StartPathResult r = startPath(prog, env);
        QVERIFY(r.ok);
        QCOMPARE(r.baseDir, prog);
        QCOMPARE(r.settingsDir, l.settingsDir);
        QCOMPARE(r.userDir, l.userDir);
        QVERIFY(QFileInfo(r.userDir).isDir());
        QVERIFY(QFileInfo(r.settingsDir).isDir());
        QCOMPARE(QDir::currentPath(), QDir(r.userDir).canonicalPath());
        // Installed: the examples are the user's own copies; the program folder is not touched.
        QCOMPARE(r.seeded, installed && hasUser ? QStringList{"Ex-Auto.0"} : QStringList{});
        if (installed) QCOMPARE(QDir(prog).entryList(QDir::Files), QStringList{});
        QDir::setCurrent(before);
    }

    void prefixLayout_data() {
        QTest::addColumn<bool>("hasData");
        QTest::newRow("bin/ with share/lumetra") << true;
        QTest::newRow("bin/ alone") << false;
    }
    void prefixLayout() {
        // An install under a prefix: bin/Lumetra, share/lumetra/{examples,manual.md}. Found
        // relative to the program, wherever the prefix is.
        QFETCH(bool, hasData);
        QTemporaryDir tmp;
        const QString bin = tmp.filePath("moved/prefix/bin");
        const QString data = QDir::cleanPath(bin + "/" LUMETRA_BIN_TO_DATA);
        QVERIFY(QDir().mkpath(bin));
        if (hasData) {
            QVERIFY(QDir().mkpath(data + "/examples"));
            QVERIFY(QFile::copy(LUMETRA_EXAMPLES_DIR "/Ex-Auto.0", data + "/examples/Ex-Auto.0"));
        }
        LayoutEnvironment env;
        env.configHome = tmp.filePath("home/.config");
        env.dataHome = tmp.filePath("home/.local/share");
        env.writable = [](const QString&) { return true; };
        const ProgramLayout l = programLayout(bin, env);
        QVERIFY(l.installed);
        QCOMPARE(installedDataDir(bin), hasData ? data : QString());
        QCOMPARE(l.dataDir, hasData ? data : bin);
        QCOMPARE(l.examplesDir, hasData ? data + "/examples" : bin + "/user");
        QCOMPARE(l.userDir, env.dataHome + "/Lumetra/user");

        const QString before = QDir::currentPath();
        const StartPathResult r = startPath(bin, env);
        QVERIFY(r.ok);
        QCOMPARE(r.baseDir, l.dataDir); // where Help finds the manual
        QCOMPARE(r.seeded, hasData ? QStringList{"Ex-Auto.0"} : QStringList{});
        QDir::setCurrent(before);
    }

    void seedingKeepsTheUsersEdits() {
        QTemporaryDir tmp;
        const QString from = tmp.filePath("opt/user"), to = tmp.filePath("home/user");
        QVERIFY(QDir().mkpath(from) && QDir().mkpath(to));
        for (const char* name : {"Ex-Auto.0", "Ex-Burg.0", "marple64.txt"})
            QVERIFY(QFile::copy(QString(LUMETRA_EXAMPLES_DIR "/") + name, from + "/" + name));
        // Shipped read-only, as an install lays them out.
        QFile::setPermissions(from + "/Ex-Burg.0", QFileDevice::ReadOwner | QFileDevice::ReadOther);
        QFile edited(to + "/Ex-Auto.0");
        QVERIFY(edited.open(QIODevice::WriteOnly));
        edited.write("my own edit\n");
        edited.close();
        QCOMPARE(seedExamples(from, to), (QStringList{"Ex-Burg.0", "marple64.txt"}));
        QFile mine(to + "/Ex-Auto.0");
        QVERIFY(mine.open(QIODevice::ReadOnly));
        QCOMPARE(mine.readAll(), QByteArray("my own edit\n"));
        QVERIFY(QFile::permissions(to + "/Ex-Burg.0") & QFileDevice::WriteOwner);
        // A second start copies nothing.
        QCOMPARE(seedExamples(from, to), QStringList{});
    }
};

QTEST_GUILESS_MAIN(TestPathRules)
#include "tst_path_rules.moc"
