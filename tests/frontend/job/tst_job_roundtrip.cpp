// What the form writes, the engine's job reader reads back to the same values.
#include "job_file_writer.h"
#include "method_table.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "job_params.h"
#include "job_reader.h"
#include "run_context.h"
#include "stop.h"

using namespace lumetra;

namespace {

QString trimmed(const std::string& s) {
    return QString::fromStdString(s).trimmed();
}

} // namespace

class TestJobRoundTrip : public QObject {
    Q_OBJECT
  private slots:
    void engineReadsWhatTheFormWrote_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<int>("number");
        QTest::newRow("Auto-Correlation") << "Auto-Correlation" << 1;
        QTest::newRow("Burg") << "Burg" << 2;
        QTest::newRow("Covariance") << "Covariance" << 4;
        QTest::newRow("Modified Covariance") << "Modified Covariance" << 5;
        QTest::newRow("MYWE") << "MYWE" << 6;
        QTest::newRow("Mayne-Firoozan") << "Mayne-Firoozan" << 9;
        QTest::newRow("Periodogram") << "Periodogram" << 11;
        QTest::newRow("MVSE") << "MVSE" << 13;
        QTest::newRow("Lockheed") << "Lockheed (Autocorr/Burg)" << 14;
    }
    void engineReadsWhatTheFormWrote() {
        QFETCH(QString, method);
        QFETCH(int, number);
        QTemporaryDir tmp;
        QVERIFY(QFile::copy(LUMETRA_TEST_DATA, tmp.filePath("marple64.txt")));
        JobAnswers a;
        const QStringList v{tmp.filePath("marple64.txt"),
                            "1",
                            "0",
                            "Complex",
                            "",
                            method,
                            "Yes",
                            "100",
                            "6",
                            "2",
                            "1.e-5",
                            "1",
                            "15",
                            "20",
                            "30",
                            "99",
                            "0.01",
                            "Hann"};
        for (int n = 1; n <= 18; ++n) a.setAnswer(n, v[n - 1]);
        a.setNote(1, "note one");
        a.setNote(2, "note two");
        const QString job = tmp.filePath("Trip.1");
        QCOMPARE(writeJobFile(job, "Trip.1", a, QDateTime::currentDateTime()).kind,
                 JobWriteOutcome::Written);

        specest::RunContext& ctx = specest::run_context();
        QVERIFY(ctx.report.open(tmp.filePath("~Lumetra.out").toStdString()));
        int npts = 0, npoints = 0;
        try {
            specest::spec_info(job.toStdString(), 6, npts, npoints);
        } catch (const specest::RunStopped& s) {
            ctx.report.close();
            QFAIL(s.what());
        }
        ctx.report.close();
        ctx.data.close();
        const specest::JobParams& jp = specest::job();
        const QList<int> used = methodQuestions(method);
        QCOMPARE(trimmed(jp.fileIn), QString("Trip.1"));
        QCOMPARE(trimmed(jp.dataFile), tmp.filePath("marple64.txt"));
        QCOMPARE(jp.irec_skip, 1);
        QCOMPARE(npts, 64);
        QCOMPARE(jp.itype, 2);
        QCOMPARE(jp.method, number);
        QCOMPARE(jp.neg_freq, 1);
        QCOMPARE(npoints, 128);
        if (used.contains(9)) QCOMPARE(jp.npoles, 6);
        if (used.contains(10)) QCOMPARE(jp.nzeros, 2);
        if (used.contains(11))
            QCOMPARE(jp.eps, 1.e-5f);
        else
            QCOMPARE(jp.eps, -999.0f);
        if (used.contains(12))
            QCOMPARE(jp.mode, 1);
        else
            QCOMPARE(jp.mode, -999);
        QCOMPARE(jp.l_pts, used.contains(14) ? 20 : -999);
        QCOMPARE(jp.m_lags, -999);
        QCOMPARE(jp.nit, -999);
        QCOMPARE(jp.per, -999.0f);
        QCOMPARE(trimmed(jp.window_name), used.contains(18) ? QString("Hann") : QString("-999"));
        QVERIFY(trimmed(jp.note1).startsWith("note one"));
        QVERIFY(trimmed(jp.note2).startsWith("note two"));
    }
};

QTEST_GUILESS_MAIN(TestJobRoundTrip)
#include "tst_job_roundtrip.moc"
