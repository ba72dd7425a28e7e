// Compare: five methods run together through the in-memory entry give, bit for bit, what five
// single runs of job files with the same settings give; defaults for settings the job holds as
// -999; cancelling; the reports beside the job and the peak table.
#include "compare_run.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <charconv>
#include <cstring>

using namespace lumetra;

namespace {

QByteArray number(float v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QByteArray(buf, static_cast<qsizetype>(r.ptr - buf));
}

QByteArray setting(int32_t v) {
    return QByteArray::number(v);
}

// The example job with the method and settings of one compare run written into it.
QByteArray singleJob(const QByteArray& example, const CompareResult& r) {
    QList<QByteArray> lines = example.split('\n');
    auto put = [&](int line, const QByteArray& value) {
        QByteArray& l = lines[line - 1];
        const qsizetype bang = l.indexOf('!');
        l = value + "  \t\t" + (bang >= 0 ? l.mid(bang) : QByteArray("!\r"));
    };
    const specest_params& p = r.params;
    put(7, r.name.toLatin1());
    put(10, setting(p.npoles));
    put(11, setting(p.nzeros));
    put(12, p.eps == SPECEST_UNUSED ? QByteArray("-999") : number(p.eps));
    put(13, setting(p.mode));
    put(14, setting(p.m_eqs));
    put(15, setting(p.l_pts));
    put(16, setting(p.m_lags));
    put(17, setting(p.nit));
    put(18, p.per == SPECEST_UNUSED ? QByteArray("-999") : number(p.per));
    put(19, p.window ? QByteArray(p.window) : QByteArray("-999"));
    return lines.join('\n');
}

} // namespace

class TestCompareRun : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString job_;

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        job_ = dir_.filePath("Ex-Burg.0");
        QVERIFY(QFile::copy(LUMETRA_EXAMPLES_DIR "/Ex-Burg.0", job_));
        QVERIFY(QFile::copy(LUMETRA_TEST_DATA, dir_.filePath("marple64.txt")));
    }

    void fiveMethodsEqualFiveSingleRuns() {
        EngineLibrary engine(QStringLiteral(LUMETRA_ENGINE_LIBRARY));
        CompareRunner runner(engine);
        QString error;
        QVERIFY2(runner.ready(&error), qPrintable(error));
        const QList<int> methods =
            methodsFromShortNames("burg,periodogram,mvse,covariance,yule-walker", &error);
        QCOMPARE(methods.size(), 5);
        const auto setup = prepareCompare(job_, &error);
        QVERIFY2(setup, qPrintable(error));
        QCOMPARE(setup->count, 64);
        std::atomic<bool> cancel{false};
        const std::vector<CompareResult> results = runner.run(*setup, methods, cancel, 5);
        QCOMPARE(results.size(), std::size_t(5));

        auto runFile = reinterpret_cast<decltype(&specest_run_file)>(
            engine.resolve("specest_run_file", &error));
        QVERIFY2(runFile, qPrintable(error));
        QFile example(job_);
        QVERIFY(example.open(QIODevice::ReadOnly));
        const QByteArray text = example.readAll();
        for (const CompareResult& r : results) {
            QVERIFY2(r.ok(), qPrintable(r.shortName + ": " + r.message));
            const QString single = dir_.filePath("single." + r.shortName);
            QFile f(single);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(singleJob(text, r));
            f.close();
            std::vector<float> freqs(r.freqs.size() + 16), db(r.db.size() + 16);
            std::vector<float> pf(99), pd(99);
            specest_output out;
            specest_output_init(&out);
            out.freqs = freqs.data();
            out.db = db.data();
            out.grid_cap = static_cast<int32_t>(freqs.size());
            out.peak_freqs = pf.data();
            out.peak_db = pd.data();
            out.peak_cap = 99;
            const int status =
                runFile(QFile::encodeName(single).constData(),
                        QFile::encodeName(dir_.path()).constData(), SPECEST_NO_PAUSE, &out);
            QCOMPARE(status, int(SPECEST_SUCCESS));
            QVERIFY(r.db.size() >= 64);
            QCOMPARE(std::size_t(out.n_freq), r.freqs.size());
            QVERIFY2(std::memcmp(freqs.data(), r.freqs.data(), r.freqs.size() * 4) == 0,
                     qPrintable(r.shortName));
            QVERIFY2(std::memcmp(db.data(), r.db.data(), r.db.size() * 4) == 0,
                     qPrintable(r.shortName));
            QCOMPARE(std::size_t(out.n_peaks), r.peakFreqs.size());
            QVERIFY(std::memcmp(pd.data(), r.peakDb.data(), r.peakDb.size() * 4) == 0);
            QVERIFY(std::memcmp(&out.sig2, &r.sig2, 4) == 0);
            QCOMPARE(out.npts, r.npts);
        }

        // The reports beside the job, one per method, and the peak table.
        QVERIFY(writeCompareReports(job_, results, &error));
        for (const CompareResult& r : results) {
            QFile report(job_ + "." + r.shortName + ".out");
            QVERIFY2(report.open(QIODevice::ReadOnly), qPrintable(report.fileName()));
            const auto* info = specest::record::method_info(r.method);
            QVERIFY(report.readAll().contains(
                QByteArray(info->engine_name.data(), info->engine_name.size()).trimmed()));
        }
        const QList<QByteArray> rows = comparePeaksCsv(results).trimmed().split('\n');
        QCOMPARE(rows.front(), "method,rank,frequency,level");
        int burgRows = 0;
        float previous = 1e9f;
        for (const QByteArray& row : rows.mid(1)) {
            const QList<QByteArray> cells = row.split(',');
            QCOMPARE(cells.size(), 4);
            if (cells[0] != "burg") continue;
            QCOMPARE(cells[1].toInt(), ++burgRows);
            QVERIFY(cells[3].toFloat() <= previous); // highest first
            previous = cells[3].toFloat();
        }
        QCOMPARE(burgRows, std::min<int>(kComparePeaks, int(results[0].peakDb.size())));
        const CompareOverlay overlay = compareOverlay(*setup, results);
        QCOMPARE(overlay.held.size(), std::size_t(4));
        QVERIFY(overlay.live);
        QCOMPARE(overlay.live->methodName, "Auto-Correlation");
    }

    void defaultsForSettingsTheJobLacks() {
        QString error;
        const auto setup = prepareCompare(job_, &error);
        QVERIFY(setup);
        QStringList defaulted;
        // Burg's job: order 15 from the job, zeros and eps from MYWE's defaults.
        const specest_params p = compareParams(*setup, 6, &defaulted);
        QCOMPARE(p.npoles, 15);
        QCOMPARE(p.nzeros, 2);
        QCOMPARE(p.eps, 1e-15f);
        QCOMPARE(p.m_eqs, SPECEST_UNUSED);
        QCOMPARE(defaulted, (QStringList{"zeros=2", "eps=1e-15"}));
        // Blackman-Tukey: lags below half the records.
        const specest_params bt = compareParams(*setup, 12, nullptr);
        QCOMPARE(bt.m_lags, 30);
        QCOMPARE(bt.npoles, SPECEST_UNUSED);
        QVERIFY(2 * bt.m_lags + 2 <= setup->count);
        // Durbin: L between the zeros and the largest order.
        const specest_params du = compareParams(*setup, 10, nullptr);
        QVERIFY(du.l_pts >= du.nzeros && du.l_pts <= 411);
    }

    void cancelledRunsDoNotStart() {
        EngineLibrary engine(QStringLiteral(LUMETRA_ENGINE_LIBRARY));
        CompareRunner runner(engine);
        QVERIFY(runner.ready(nullptr));
        const auto setup = prepareCompare(job_, nullptr);
        std::atomic<bool> cancel{true};
        const auto results = runner.run(*setup, {2, 11}, cancel, 1);
        for (const CompareResult& r : results) {
            QVERIFY(!r.ran);
            QCOMPARE(compareStatusText(r), "cancelled");
        }
    }

    // Cancelled after the first method: the others never start.
    void cancelStopsTheRemainingRuns() {
        EngineLibrary engine(QStringLiteral(LUMETRA_ENGINE_LIBRARY));
        CompareRunner runner(engine);
        QVERIFY(runner.ready(nullptr));
        const auto setup = prepareCompare(job_, nullptr);
        std::atomic<bool> cancel{false};
        int finished = 0;
        const auto results =
            runner.run(*setup, {2, 11, 13, 1}, cancel, 1, [&](const CompareResult&) {
                ++finished;
                cancel = true;
            });
        QCOMPARE(finished, 1);
        QVERIFY(results[0].ok());
        for (std::size_t k = 1; k < results.size(); ++k)
            QCOMPARE(compareStatusText(results[k]), "cancelled");
        QVERIFY(writeCompareReports(job_ + ".cancel", results, nullptr));
        QVERIFY(QFile::exists(job_ + ".cancel.burg.out"));
        QVERIFY(!QFile::exists(job_ + ".cancel.periodogram.out"));
    }

    void failureSaysWhy() {
        EngineLibrary engine(QStringLiteral(LUMETRA_ENGINE_LIBRARY));
        CompareRunner runner(engine);
        QVERIFY(runner.ready(nullptr));
        const auto setup = prepareCompare(job_, nullptr);
        std::atomic<bool> cancel{false};
        // RMLE refuses complex data.
        const auto results = runner.run(*setup, {3, 2}, cancel);
        QVERIFY(!results[0].ok());
        QVERIFY2(compareStatusText(results[0]).startsWith("failed: "),
                 qPrintable(compareStatusText(results[0])));
        QVERIFY(results[1].ok());
    }

    void shortNames_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QList<int>>("methods");
        QTest::addColumn<QString>("says");
        QTest::newRow("three") << "burg,periodogram,mvse" << QList<int>{2, 11, 13} << "";
        QTest::newRow("blanks and case") << " Burg , MVSE" << QList<int>{2, 13} << "";
        QTest::newRow("unknown") << "burg,fft" << QList<int>{} << "'fft' is no method";
        QTest::newRow("twice") << "burg,burg" << QList<int>{} << "named twice";
        QTest::newRow("too many")
            << "burg,periodogram,mvse,covariance,yule-walker,durbin,mywe,lsmywe,lockheed,rmle"
            << QList<int>{} << "at most 9 methods";
    }
    void shortNames() {
        QFETCH(QString, list);
        QFETCH(QList<int>, methods);
        QFETCH(QString, says);
        QString error;
        QCOMPARE(methodsFromShortNames(list, &error), methods);
        QVERIFY2(error.contains(says), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestCompareRun)
#include "tst_compare_run.moc"
