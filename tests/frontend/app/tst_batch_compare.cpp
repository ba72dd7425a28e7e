// Lumetra --batch JOB --compare: the program itself, with the real engine, writes the overlay
// and the peak table; the table equals the one an in-process compare makes of the same job.
#include "compare_run.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace lumetra;

namespace {
QString program() {
    return QFileInfo(QStringLiteral(LUMETRA_ENGINE_LIBRARY)).absolutePath() + "/Lumetra";
}
} // namespace

class TestBatchCompare : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString job_;

    int run(const QStringList& args, QString* err = nullptr) {
        QProcess p;
        p.setWorkingDirectory(dir_.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
        p.setProcessEnvironment(env);
        p.start(program(), args);
        p.waitForFinished(120000);
        if (err) *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        job_ = dir_.filePath("Ex-Burg.0");
        QVERIFY(QFile::copy(LUMETRA_EXAMPLES_DIR "/Ex-Burg.0", job_));
        QVERIFY(QFile::copy(LUMETRA_TEST_DATA, dir_.filePath("marple64.txt")));
    }

    void writesOverlayAndPeaks() {
        const QString png = dir_.filePath("cmp.png"), svg = dir_.filePath("cmp.svg");
        const QString peaks = dir_.filePath("peaks.csv");
        QString err;
        const int code = run({"--batch", job_, "--compare", "burg,periodogram,mvse", "--png", png,
                              "--svg", svg, "--peaks", peaks, "--size", "1000x700"},
                             &err);
        QVERIFY2(code == 0, qPrintable(err));
        const QImage image(png);
        QCOMPARE(image.size(), QSize(1000, 700));
        QFile s(svg);
        QVERIFY(s.open(QIODevice::ReadOnly));
        const QByteArray svgText = s.readAll();
        QVERIFY(svgText.contains("Compare of 3 Estimates by Lumetra (tm)"));
        for (const char* name : {"Burg", "Periodogram", "MVSE"}) QVERIFY(svgText.contains(name));
        for (const char* m : {"burg", "periodogram", "mvse"})
            QVERIFY2(QFileInfo(job_ + "." + m + ".out").size() > 0, m);

        EngineLibrary engine(QStringLiteral(LUMETRA_ENGINE_LIBRARY));
        CompareRunner runner(engine);
        QVERIFY(runner.ready(nullptr));
        const auto setup = prepareCompare(job_, nullptr);
        const std::atomic<bool> cancel{false};
        const auto results = runner.run(*setup, {2, 11, 13}, cancel);
        QFile csv(peaks);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray written = csv.readAll();
        QCOMPARE(written, comparePeaksCsv(results));
        QVERIFY(written.count('\n') >= 4);
    }

    void refusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        QTest::newRow("unknown method")
            << QStringList{"--compare", "burg,fft"} << 4 << "'fft' is no method";
        QTest::newRow("with --csv")
            << QStringList{"--compare", "burg", "--csv", "x.csv"} << 4 << "takes no second job";
        QTest::newRow("no list") << QStringList{"--compare"} << 4 << "'--compare' needs METHOD";
    }
    void refusals() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, says);
        QString err;
        QCOMPARE(run(QStringList{"--batch", job_} + args, &err), code);
        QVERIFY2(err.contains(says), qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(TestBatchCompare)
#include "tst_batch_compare.moc"
