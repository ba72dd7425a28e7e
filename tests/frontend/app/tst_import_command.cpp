// Lumetra --import on files the test makes, each followed by a real engine run of a job on the
// written data file: its samples equal the source's (the periodogram of the data file equals,
// bit for bit, the in-memory periodogram of the source's samples) and its time step lies within
// one float32 ulp of the source's. The exit codes of the failures.
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.h>
#include <specest/specest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

QString program() {
    return QFileInfo(QStringLiteral(LUMETRA_ENGINE_LIBRARY)).absolutePath() + "/Lumetra";
}

double wave(int column, int k) {
    return std::sin(0.37 * k + column) * (column + 1) + 0.25 * column;
}

constexpr int kRows = 50;

struct Result {
    int exitCode = -1;
    QString err;
};

Result runProgram(const QStringList& args) {
    QProcess p;
    p.start(program(), args);
    p.waitForFinished(60000);
    Result r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray jobFor(const QString& data, bool complex) {
    QByteArrayList lines{
        "import test", QFile::encodeName(data), "1",  "0", complex ? "Complex" : "Real",
        "-999",        "Periodogram",           "No", "64"};
    for (int i = 10; i <= 18; ++i) lines << "-999";
    lines << "Rectangular"
          << "note"
          << "note";
    return lines.join("\r\n") + "\r\n";
}

struct Spectrum {
    int status = -99;
    std::vector<float> db = std::vector<float>(64);
    specest_output out{};
};

} // namespace

class TestImportCommand : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString path(const QString& name) { return dir_.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY2(QFileInfo(program()).isExecutable(), qPrintable(program()));
        QByteArray csv = "t,a,b,c\n", tsv = "time\tvalue\n", bad = "a\n";
        for (int k = 0; k < kRows; ++k) {
            csv += QByteArray::number(k) + ',' + QByteArray::number(wave(0, k), 'g', 17) + ',' +
                   QByteArray::number(wave(1, k), 'g', 17) + ',' +
                   QByteArray::number(wave(2, k), 'g', 17) + '\n';
            tsv += QByteArray::number(0.125 + k * 0.003, 'g', 17) + '\t' +
                   QByteArray::number(wave(1, k), 'g', 17) + '\n';
            bad += (k == 7 ? QByteArray("nan") : QByteArray::number(k)) + '\n';
        }
        write("three.csv", csv);
        write("timed.tsv", tsv);
        write("bad.csv", bad);
        SF_INFO info{};
        info.samplerate = 11025;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* f = sf_open(QFile::encodeName(path("stereo.wav")).constData(), SFM_WRITE, &info);
        QVERIFY(f);
        std::vector<short> pcm;
        for (int k = 0; k < kRows; ++k) {
            pcm.push_back(static_cast<short>(k * 300 - 7000));
            pcm.push_back(static_cast<short>(std::lround(20000 * wave(0, k) / 2)));
        }
        sf_writef_short(f, pcm.data(), kRows);
        sf_close(f);
        // The .npy comes from NumPy itself.
        QProcess py;
        py.start("/usr/bin/python3",
                 {"-c",
                  "import numpy, sys; k = numpy.arange(50); "
                  "numpy.save(sys.argv[1], (numpy.sin(0.37 * k) * 1.0).astype(numpy.float32))",
                  path("wave.npy")});
        py.waitForFinished(60000);
        if (py.exitCode() != 0) QSKIP("NumPy is not available to make the .npy file");
    }

    void importThenRun_data() {
        QTest::addColumn<QStringList>("args"); // after --import SOURCE --to DATAFILE
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("kind"); // how to compute the source samples
        QTest::addColumn<double>("interval");
        QTest::newRow("csv column 3")
            << QStringList{"--column", "3", "--rate", "50"} << "three.csv" << 1 << 0.02;
        QTest::newRow("csv complex 2,4")
            << QStringList{"--column", "2,4", "--time-column", "1"} << "three.csv" << 2 << 1.0;
        QTest::newRow("tsv time column")
            << QStringList{"--column", "2", "--time-column", "1"} << "timed.tsv" << 1 << 0.003;
        QTest::newRow("wav channel 2")
            << QStringList{"--channel", "2"} << "stereo.wav" << 3 << 1.0 / 11025;
        QTest::newRow("npy") << QStringList{"--rate", "1000"} << "wave.npy" << 4 << 0.001;
    }
    void importThenRun() {
        QFETCH(QStringList, args);
        QFETCH(QString, source);
        QFETCH(int, kind);
        QFETCH(double, interval);
        const QString data = path(source + ".dat");
        const Result r = runProgram(QStringList{"--import", path(source), "--to", data} + args);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));

        std::vector<float> samples;
        const bool complex = kind == 2;
        for (int k = 0; k < kRows; ++k) {
            switch (kind) {
            case 1:
                samples.push_back(static_cast<float>(wave(1, k)));
                break;
            case 2:
                samples.push_back(static_cast<float>(wave(0, k)));
                samples.push_back(static_cast<float>(wave(2, k)));
                break;
            case 3:
                samples.push_back(
                    static_cast<float>(std::lround(20000 * wave(0, k) / 2) / 32768.0));
                break;
            default:
                samples.push_back(static_cast<float>(std::sin(0.37 * k) * 1.0));
            }
        }
        // The job file run, as the window runs it.
        const QString job = path(source + ".job");
        write(source + ".job", jobFor(data, complex));
        Spectrum fromFile, fromMemory;
        for (Spectrum* s : {&fromFile, &fromMemory}) {
            specest_output_init(&s->out);
            s->out.db = s->db.data();
            s->out.grid_cap = static_cast<int32_t>(s->db.size());
        }
        fromFile.status = specest_run_file(QFile::encodeName(job).constData(),
                                           QFile::encodeName(dir_.path()).constData(),
                                           SPECEST_NO_PAUSE, &fromFile.out);
        QCOMPARE(fromFile.status, int(SPECEST_SUCCESS));
        specest_params p;
        specest_params_init(&p);
        p.method = 11;
        p.complex_data = complex ? 1 : 0;
        p.npoints = 64;
        p.window = "Rectangular";
        p.dt = interval;
        fromMemory.status = specest_estimate(&p, samples.data(), kRows, &fromMemory.out);
        QCOMPARE(fromMemory.status, int(SPECEST_SUCCESS));
        QCOMPARE(fromFile.out.npts, kRows);
        QCOMPARE(fromFile.out.n_freq, fromMemory.out.n_freq);
        QVERIFY(std::memcmp(fromFile.db.data(), fromMemory.db.data(), fromFile.db.size() * 4) == 0);
        // The time step the run derives from its first and last time values.
        const float step = (fromFile.out.t_final - fromFile.out.t_start) / (kRows - 1);
        const float want = static_cast<float>(interval);
        QVERIFY2(
            std::abs(step - want) <= std::nextafter(want, 2 * want) - want,
            qPrintable(QString("step %1, source %2").arg(step, 0, 'g', 9).arg(want, 0, 'g', 9)));
    }

    void failures_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        const QString csv = path("three.csv"), out = path("out.dat");
        QTest::newRow("no target")
            << QStringList{"--import", csv} << 4 << "'--to DATAFILE' is missing";
        QTest::newRow("bad column") << QStringList{"--import", csv, "--to", out, "--column", "0"}
                                    << 4 << "'--column' needs N or N,M";
        QTest::newRow("both") << QStringList{"--import", csv, "--to",      out,
                                             "--column", "1", "--channel", "1"}
                              << 4 << "not both";
        QTest::newRow("onto itself") << QStringList{"--import", csv, "--to", csv, "--rate", "1"}
                                     << 4 << "names the source itself";
        QTest::newRow("missing") << QStringList{"--import", path("none.csv"), "--to", out} << 5
                                 << "none.csv: no such file";
        QTest::newRow("no such column")
            << QStringList{"--import", csv, "--to", out, "--column", "9", "--rate", "1"} << 6
            << "three.csv: there is no column 9; it has 4 column(s).";
        QTest::newRow("no rate") << QStringList{"--import", csv, "--to", out, "--column", "2"} << 6
                                 << "sampling rate";
        QTest::newRow("nan")
            << QStringList{"--import", path("bad.csv"), "--to", out, "--rate", "1"} << 7
            << "1 row(s) hold NaN or infinite values; the first is at line 9. Add --drop-bad";
        QTest::newRow("nan dropped")
            << QStringList{"--import", path("bad.csv"), "--to", out, "--rate", "1", "--drop-bad"}
            << 0 << "1 row(s) with NaN or infinite values left out";
    }
    void failures() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QFile::remove(path("out.dat"));
        const Result r = runProgram(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(says), qPrintable(r.err));
        // Nothing is written when the import fails.
        QCOMPARE(QFile::exists(path("out.dat")), exitCode == 0);
    }
};

QTEST_GUILESS_MAIN(TestImportCommand)
#include "tst_import_command.moc"
