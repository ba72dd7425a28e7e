// What the form writes, the engine's job reader reads back to the same values, for every method
// of the shared table; and the front end sizes the result arrays as the engine requires.
#include "job_file_writer.h"
#include "job_run.h"
#include "method_table.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "engine_api.h"
#include "job_params.h"
#include "job_reader.h"
#include "run_context.h"
#include "stop.h"

using namespace lumetra;
using record::Field;

namespace {

QString trimmed(const std::string& s) {
    return QString::fromStdString(s).trimmed();
}

QString text(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

class TestJobRoundTrip : public QObject {
    Q_OBJECT
  private slots:
    void engineReadsWhatTheFormWrote_data() {
        QTest::addColumn<int>("number");
        for (const record::Method m : record::kFormOrder) {
            const record::MethodInfo* info = record::method_info(static_cast<int>(m));
            QTest::newRow(info->short_name.data()) << static_cast<int>(m);
        }
    }
    void engineReadsWhatTheFormWrote() {
        QFETCH(int, number);
        const record::MethodInfo& info = *record::method_info(number);
        const QString method = text(info.form_name);
        QCOMPARE(methodByFormName(method), &info);

        QTemporaryDir tmp;
        QVERIFY(QFile::copy(LUMETRA_TEST_DATA, tmp.filePath("marple64.txt")));
        JobAnswers a;
        // Values every method accepts on the 64-sample record; each differs from the marker.
        const QStringList v{tmp.filePath("marple64.txt"),
                            "1",
                            "0",
                            info.real_only ? "Real" : "Complex",
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
        for (int n = 1; n <= JobAnswers::kCount; ++n) a.setAnswer(n, v[n - 1]);
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
        auto uses = [&info](Field f) { return record::uses(info.settings, f); };
        QCOMPARE(trimmed(jp.fileIn), QString("Trip.1"));
        QCOMPARE(trimmed(jp.dataFile), tmp.filePath("marple64.txt"));
        QCOMPARE(jp.irec_skip, 1);
        QCOMPARE(npts, 64);
        QCOMPARE(jp.itype, info.real_only ? 1 : 2);
        QCOMPARE(jp.method, number);
        QCOMPARE(jp.neg_freq, 1);
        QCOMPARE(npoints, 128);
        // The engine ignores the zeros of the pure AR methods and the poles of Durbin's.
        if (uses(Field::npoles)) QCOMPARE(jp.npoles, 6);
        if (uses(Field::nzeros)) QCOMPARE(jp.nzeros, 2);
        QCOMPARE(jp.eps, uses(Field::eps) ? 1.e-5f : record::kNotApplicableReal);
        QCOMPARE(jp.mode, uses(Field::mode) ? 1 : record::kNotApplicableInt);
        QCOMPARE(jp.m_eqs, uses(Field::m_eqs) ? 15 : record::kNotApplicableInt);
        QCOMPARE(jp.l_pts, uses(Field::l_pts) ? 20 : record::kNotApplicableInt);
        QCOMPARE(jp.m_lags, uses(Field::m_lags) ? 30 : record::kNotApplicableInt);
        QCOMPARE(jp.nit, uses(Field::nit) ? 99 : record::kNotApplicableInt);
        QCOMPARE(jp.per, uses(Field::per) ? 0.01f : record::kNotApplicableReal);
        QCOMPARE(trimmed(jp.window_name), uses(Field::window) ? QString("Hann") : QString("-999"));
        QVERIFY(trimmed(jp.note1).startsWith("note one"));
        QVERIFY(trimmed(jp.note2).startsWith("note two"));

        // The arrays the front end hands over are exactly what the engine asks for.
        const auto sized = sizedResultFor(job, nullptr);
        QVERIFY(sized);
        QCOMPARE(sized->capacity, specest::required_capacity(job.toStdString()));
        QCOMPARE(sized->method, method);
    }
};

QTEST_GUILESS_MAIN(TestJobRoundTrip)
#include "tst_job_roundtrip.moc"
