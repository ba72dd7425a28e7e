// Name/directory pairs, suggested names and run report copies.
#include "path_rules.h"

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
        QTest::newRow("example") << "Ex-Auto.0"
                                 << "Ex-Auto.*";
        QTest::newRow("new data") << "New data"
                                  << "New data.*";
        QTest::newRow("never saved") << "*.*"
                                     << "*.*";
        QTest::newRow("two dots") << "a.b.c"
                                  << "a.*";
        QTest::newRow("leading dot") << ".hidden"
                                     << ".hidden.*";
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
};

QTEST_GUILESS_MAIN(TestPathRules)
#include "tst_path_rules.moc"
