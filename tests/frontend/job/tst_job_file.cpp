// Job files as the form writes and reads them.
#include "job_file_reader.h"
#include "job_file_writer.h"
#include "job_line_reader.h"
#include "job_run.h"
#include "points_rounding.h"
#include "question_table.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace lumetra;

namespace {

JobAnswers periodogramJob() {
    JobAnswers a;
    const QStringList values{"/data/x.dat", "1",   "0",  "Complex", "",       "Periodogram",
                             "Yes",         "100", "10", "0",       "1.e-15", "0",
                             "15",          "18",  "30", "99",      "0.01",   "Hamming"};
    for (int n = 1; n <= 18; ++n) a.setAnswer(n, values[n - 1]);
    a.setNote(1, "first note");
    a.setNote(2, "second note");
    return a;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QDateTime kWhen(QDate(2026, 3, 4), QTime(15, 7));

} // namespace

class TestJobFile : public QObject {
    Q_OBJECT
  private slots:
    void rounding_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("64 stays") << "64" << true << 64;
        QTest::newRow("100") << "100" << true << 128;
        QTest::newRow("65") << "65" << true << 128;
        QTest::newRow("1 stays") << "1" << true << 1;
        QTest::newRow("3") << "3" << true << 4;
        QTest::newRow("blanks") << "  129 " << true << 256;
        QTest::newRow("largest") << "16384" << true << 16384;
        QTest::newRow("8193") << "8193" << true << 16384;
        QTest::newRow("one past") << "16385" << false << 0;
        QTest::newRow("16-bit overflow") << "40000" << false << 0;
        QTest::newRow("zero") << "0" << false << 0;
        QTest::newRow("negative") << "-4" << false << 0;
        QTest::newRow("text") << "abc" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("half to even") << "2.5" << true << 2;
    }
    void rounding() {
        QFETCH(QString, answer);
        QFETCH(bool, ok);
        QFETCH(int, value);
        const PointsRounding r = roundPointsToPowerOfTwo(answer);
        QCOMPARE(r.ok, ok);
        if (ok)
            QCOMPARE(r.value, value);
        else
            QVERIFY(r.errorNumber != 0 && !r.description.isEmpty());
    }

    void lineLayout() {
        QCOMPARE(jobLine("64", "abc"), QString("64  \t\t! abc"));
        QCOMPARE(jobLine("   ", "c"), QString("-999  \t\t! c"));
        QCOMPARE(jobLine(" x y ", "c"), QString("x y  \t\t! c"));
        // The label of question 2 is 66 characters and loses its last 16.
        const QString label2 = questionLabel(2);
        QCOMPARE(label2.size(), 66);
        QCOMPARE(jobLine("0", label2), "0  \t\t! " + label2.left(50));
        QCOMPARE(jobDateComment(kWhen), QString(" 18; March 04, 2026 @ 3:07 PM"));
        QCOMPARE(jobDateComment(QDateTime(QDate(2026, 12, 25), QTime(0, 5))),
                 QString(" 18; December 25, 2026 @ 12:05 AM"));
    }

    void writtenFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("Job.1");
        JobAnswers a = periodogramJob();
        QCOMPARE(writeJobFile(path, "Job.1", a, kWhen).kind, JobWriteOutcome::Written);
        const QByteArray bytes = readAll(path);
        QVERIFY(bytes.endsWith("\r\n"));
        const QStringList lines = QString::fromUtf8(bytes).split("\r\n");
        QCOMPARE(lines.size(), 22); // 21 lines and the empty rest after the last line end
        QVERIFY(!QByteArray(bytes).replace("\r\n", "").contains('\n'));
        QCOMPARE(lines[0], QString("Job.1  \t\t!  18; March 04, 2026 @ 3:07 PM"));
        QCOMPARE(lines[1], "/data/x.dat  \t\t! " + questionLabel(1).left(50));
        QCOMPARE(lines[4], "Complex  \t\t! " + questionLabel(4));
        QCOMPARE(lines[5], "-999  \t\t! " + questionLabel(5)); // always the marker
        QCOMPARE(lines[8], "128  \t\t! " + questionLabel(8).left(50));
        // Only question 18 of the periodogram is written; the rest carry the marker.
        for (int line = 10; line <= 18; ++line)
            QVERIFY2(lines[line - 1].startsWith("-999  \t\t! "), qPrintable(lines[line - 1]));
        QCOMPARE(lines[18], "Hamming  \t\t! " + questionLabel(18));
        QCOMPARE(lines[19], QString("first note  \t\t! 20. \u00BB Note1"));
        QCOMPARE(lines[20], QString("second note  \t\t!     \u00BB Note2"));
        // The rounded value and the marker are kept in the answers.
        QCOMPARE(a.answer(8), QString("128"));
        QCOMPARE(a.answer(5), QString("-999"));
    }

    void placeholderWritesNoParameters() {
        QTemporaryDir dir;
        JobAnswers a = periodogramJob();
        a.setAnswer(6, "-Select-");
        QCOMPARE(writeJobFile(dir.filePath("p"), "p", a, kWhen).kind, JobWriteOutcome::Written);
        const QStringList lines = QString::fromUtf8(readAll(dir.filePath("p"))).split("\r\n");
        for (int line = 10; line <= 19; ++line) QVERIFY(lines[line - 1].startsWith("-999  "));
    }

    void roundTrip() {
        QTemporaryDir dir;
        const QString path = dir.filePath("Akaike.7");
        JobAnswers a = periodogramJob();
        a.setAnswer(6, "Akaike");
        a.setAnswer(4, "Real");
        QVERIFY(writeJobFile(path, "Akaike.7", a, kWhen).kind == JobWriteOutcome::Written);
        JobAnswers back;
        QString why;
        const auto values = readJobValues(path, &why);
        QVERIFY2(values, qPrintable(why));
        answersFromJobValues(*values, back);
        QCOMPARE(back.answer(1), QString("x.dat")); // the directory is not used
        for (int n : {2, 3, 4, 6, 7, 9, 10, 11, 13, 16, 17}) QCOMPARE(back.answer(n), a.answer(n));
        QCOMPARE(back.answer(8), QString("128"));
        for (int n : {5, 12, 14, 15, 18})
            QVERIFY2(back.answer(n).isEmpty(), qPrintable(back.answer(n)));
        QCOMPARE(back.note(1), a.note(1));
        QCOMPARE(back.note(2), a.note(2));
    }

    void readingRules_data() {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("answer");
        QTest::newRow("comment") << "64  \t\t! nPoints"
                                 << "64";
        QTest::newRow("marker") << "-999  \t\t! x"
                                << "";
        QTest::newRow("begins with marker") << "-9995"
                                            << "";
        QTest::newRow("note with bang") << "keep this! not this"
                                        << "keep this";
        QTest::newRow("tabs inside") << "a\tb"
                                     << "ab";
        QTest::newRow("blanks") << "   Real   "
                                << "Real";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("only comment") << "! nothing"
                                      << "";
    }
    void readingRules() {
        QFETCH(QString, raw);
        QFETCH(QString, answer);
        QCOMPARE(cleanAnswer(raw), answer);
    }

    // A short file is no job: the engine's reader refuses it, naming the line where it ends
    // (the "-EOF-" answers of old are gone); the line reader of the settings file still ends in
    // "-EOF-" for good.
    void shortFileIsRefused() {
        QTemporaryDir dir;
        const QString path = dir.filePath("short");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("title\nx.dat ! data\n2\n"); // LF line ends are read too
        f.close();
        QString why;
        QVERIFY(!readJobValues(path, &why));
        QVERIFY2(why.contains(path) && why.contains("line 4"), qPrintable(why));

        JobLineReader r;
        QVERIFY(r.open(path));
        for (int i = 0; i < 3; ++i) QVERIFY(r.readAnswer() != kEndOfFile);
        QCOMPARE(r.readAnswer(), kEndOfFile);
        QCOMPARE(r.readAnswer(), kEndOfFile); // and stays there
    }

    void failedWriteKeepsOldFile_data() {
        QTest::addColumn<QString>("points");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("points not a number") << "many" << false;
        QTest::newRow("points too large") << "20000" << false;
        QTest::newRow("write-protected job") << "64" << true;
    }
    void failedWriteKeepsOldFile() {
        QFETCH(QString, points);
        QFETCH(bool, readOnly);
        QTemporaryDir dir;
        const QString path = dir.filePath("Ex-Keep.0");
        JobAnswers a = periodogramJob();
        QVERIFY(writeJobFile(path, "Ex-Keep.0", a, kWhen).kind == JobWriteOutcome::Written);
        const QByteArray before = readAll(path);
        if (readOnly) QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser));
        a.setAnswer(8, points);
        a.setNote(1, "changed");
        const JobWriteOutcome out = writeJobFile(path, "Ex-Keep.0", a, kWhen.addDays(1));
        QVERIFY(out.kind != JobWriteOutcome::Written);
        QCOMPARE(out.kind, readOnly ? JobWriteOutcome::FileError : JobWriteOutcome::ValueError);
        QCOMPARE(readAll(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1); // no stray temporary file
    }

    void missingDirectoryFails() {
        QTemporaryDir dir;
        JobAnswers a = periodogramJob();
        const JobWriteOutcome out =
            writeJobFile(dir.filePath("no/such/dir/job.1"), "job.1", a, kWhen);
        QCOMPARE(out.kind, JobWriteOutcome::FileError);
    }
};

QTEST_GUILESS_MAIN(TestJobFile)
#include "tst_job_file.moc"
