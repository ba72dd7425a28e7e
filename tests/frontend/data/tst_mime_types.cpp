// The desktop's view of Lumetra's files: the shared-mime-info package compiled with
// update-mime-database and read back through QMimeDatabase, and the desktop entry's types.
#include "data_source.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kPackaging = QStringLiteral(LUMETRA_EXAMPLES_DIR "/../packaging");

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

class TestMimeTypes : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        const QString mime = dir_.filePath("share/mime");
        QVERIFY(QDir().mkpath(mime + "/packages"));
        QVERIFY(QFile::copy(kPackaging + "/mime/lumetra-data.xml", mime + "/packages/lumetra-data.xml"));
        QProcess update;
        update.start("update-mime-database", {mime});
        if (!update.waitForFinished(60000) || update.exitCode() != 0)
            QSKIP("update-mime-database (shared-mime-info) is not available");
        // Before the first QMimeDatabase: ours first, then the system's.
        qputenv("XDG_DATA_DIRS",
                (dir_.filePath("share") + ":/usr/local/share:/usr/share").toUtf8());
        QVERIFY(QFile::copy(LUMETRA_EXAMPLES_DIR "/Ex-Burg.0", dir_.filePath("Ex-Burg.0")));
        QVERIFY(QFile::copy(LUMETRA_EXAMPLES_DIR "/Ex-MVSE.0", dir_.filePath("my job")));
        QVERIFY(QFile::copy(LUMETRA_TEST_DATA, dir_.filePath("marple64.txt")));
        write(dir_.filePath("array.npy"), QByteArray("\x93NUMPY\x01\x00", 8));
        write(dir_.filePath("array-no-extension"),
              QByteArray("\x93NUMPY\x01\x00\x76\x00{'descr': '<f4', 'fortran_order': False, "
                         "'shape': (3,), }",
                         68));
        write(dir_.filePath("table.csv"), "a,b\n1,2\n");
    }

    void types_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("type");
        QTest::newRow("example job") << "Ex-Burg.0"
                                     << "application/x-lumetra-job";
        QTest::newRow("job without extension") << "my job"
                                               << "application/x-lumetra-job";
        QTest::newRow("npy by name") << "array.npy"
                                     << "application/x-npy";
        QTest::newRow("npy by magic") << "array-no-extension"
                                      << "application/x-npy";
        QTest::newRow("csv") << "table.csv"
                             << "text/csv";
        QTest::newRow("data file is text") << "marple64.txt"
                                           << "text/plain";
    }
    void types() {
        QFETCH(QString, file);
        QFETCH(QString, type);
        QMimeDatabase db;
        QCOMPARE(db.mimeTypeForFile(dir_.filePath(file)).name(), type);
        // The program's own test agrees with the desktop's.
        QCOMPARE(lumetra::data::isJobFile(dir_.filePath(file)),
                 type == "application/x-lumetra-job");
    }

    void desktopEntryOpensJobsAndData() {
        QSettings entry(kPackaging + "/lumetra.desktop", QSettings::IniFormat);
        entry.beginGroup("Desktop Entry");
        QVERIFY(entry.value("Exec").toString().endsWith(" %f"));
        QFile f(kPackaging + "/lumetra.desktop");
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray types;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith("MimeType=")) types = line.mid(9);
        for (const char* t : {"application/x-lumetra-job", "application/x-npy", "text/csv",
                              "text/tab-separated-values", "audio/x-wav", "audio/flac"})
            QVERIFY2(types.split(';').contains(t), t);
    }
};

QTEST_GUILESS_MAIN(TestMimeTypes)
#include "tst_mime_types.moc"
