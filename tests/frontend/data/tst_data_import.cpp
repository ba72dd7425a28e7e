// The import library over files the test makes: a 3-channel CSV with a header, a TSV with a time
// column, a 16-bit stereo WAV written by libsndfile, a float32 .npy, and broken variants of each.
// Expected samples come from the formulas the files were made from.
#include "data_import.h"
#include "data_source.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.h>

#include <cmath>
#include <cstring>
#include <functional>

using namespace lumetra::data;

namespace {

double wave(int column, int k) {
    return std::sin(0.37 * k + column) * (column + 1) + 0.25 * column;
}

constexpr int kRows = 40;

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// "a,b,c" and 40 rows; `edit` changes one row's text.
QByteArray csv3(const std::function<void(int, QByteArrayList&)>& edit = {}) {
    QByteArray out = "# made by the test\r\na,b,c\r\n";
    for (int k = 0; k < kRows; ++k) {
        QByteArrayList cells;
        for (int c = 0; c < 3; ++c) cells << QByteArray::number(wave(c, k), 'g', 17);
        if (edit) edit(k, cells);
        out += cells.join(',') + "\r\n";
    }
    return out;
}

QByteArray tsvTimed(double (*time)(int)) {
    QByteArray out = "time\tvalue\n";
    for (int k = 0; k < kRows; ++k)
        out += QByteArray::number(time(k), 'g', 17) + '\t' +
               QByteArray::number(wave(1, k), 'g', 17) + '\n';
    return out;
}

double evenTime(int k) {
    return 0.5 + 0.001 * k;
}
double unevenTime(int k) {
    return 0.5 + 0.001 * k + (k == 10 ? 0.0004 : 0.0);
}
double backwardTime(int k) {
    return k == 20 ? 0.0 : 0.5 + 0.001 * k;
}

short pcm(int channel, int k) {
    return static_cast<short>((k * 797 + channel * 4000) % 30000 - 15000);
}

void writeWav(const QString& path, int frames) {
    SF_INFO info{};
    info.samplerate = 8000;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    QVERIFY(f);
    std::vector<short> data;
    for (int k = 0; k < frames; ++k) {
        data.push_back(pcm(0, k));
        data.push_back(pcm(1, k));
    }
    QCOMPARE(sf_writef_short(f, data.data(), frames), sf_count_t(frames));
    sf_close(f);
}

// A .npy file as its format note describes it: magic, version 1.0, a header padded to 64 bytes.
QByteArray npy(const QByteArray& descr, const QByteArray& shape, const QByteArray& data,
               bool fortran = false) {
    QByteArray header = "{'descr': '" + descr +
                        "', 'fortran_order': " + (fortran ? "True" : "False") +
                        ", 'shape': " + shape + ", }";
    while ((10 + header.size() + 1) % 64 != 0) header += ' ';
    header += '\n';
    QByteArray out("\x93NUMPY\x01\x00", 8);
    out += char(header.size() & 0xff);
    out += char(header.size() >> 8);
    return out + header + data;
}

QByteArray floats(int n, int columns = 1) {
    QByteArray out;
    for (int k = 0; k < n; ++k)
        for (int c = 0; c < columns; ++c) {
            const float v = static_cast<float>(wave(c, k));
            out.append(reinterpret_cast<const char*>(&v), 4);
        }
    return out;
}

struct Expect {
    std::function<double(int)> re;
    std::function<double(int)> im; // empty: real
};

} // namespace

Q_DECLARE_METATYPE(ImportOptions)
Q_DECLARE_METATYPE(ImportProblem)

class TestDataImport : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString make(const QString& kind) {
        const QString path = dir_.filePath(kind);
        if (kind == "three.csv") writeBytes(path, csv3());
        if (kind == "text-cell.csv")
            writeBytes(path, csv3([](int k, QByteArrayList& c) {
                           if (k == 4 || k == 9) c[1] = "n/a";
                       }));
        if (kind == "empty-cell.csv")
            writeBytes(path, csv3([](int k, QByteArrayList& c) {
                           if (k == 6) c[2] = "";
                       }));
        if (kind == "nan.csv")
            writeBytes(path, csv3([](int k, QByteArrayList& c) {
                           if (k == 3) c[0] = "nan";
                           if (k == 30) c[0] = "-inf";
                       }));
        if (kind == "complex.csv") {
            QByteArray out = "z\n";
            for (int k = 0; k < kRows; ++k)
                out += QByteArray::number(wave(0, k), 'g', 17) + (wave(2, k) < 0 ? "-" : "+") +
                       QByteArray::number(std::abs(wave(2, k)), 'g', 17) + "j\n";
            writeBytes(path, out);
        }
        if (kind == "even.tsv") writeBytes(path, tsvTimed(evenTime));
        if (kind == "uneven.tsv") writeBytes(path, tsvTimed(unevenTime));
        if (kind == "backward.tsv") writeBytes(path, tsvTimed(backwardTime));
        if (kind == "empty-column.tsv") {
            QByteArray out = "time\tvalue\tnothing\n";
            for (int k = 0; k < kRows; ++k)
                out +=
                    QByteArray::number(k) + '\t' + QByteArray::number(wave(1, k), 'g', 17) + "\t\n";
            writeBytes(path, out);
        }
        if (kind == "blanks.txt") {
            QByteArray out;
            for (int k = 0; k < kRows; ++k)
                out += "  " + QByteArray::number(k) + "   " +
                       QByteArray::number(wave(0, k), 'g', 17) + "\n\n";
            writeBytes(path, out);
        }
        if (kind == "stereo.wav") writeWav(path, kRows);
        if (kind == "junk.wav")
            writeBytes(path, QByteArray("RIFF\x10\0\0\0WAVEjunk\0\x01\0\0", 20));
        if (kind == "one.npy") writeBytes(path, npy("<f4", "(40,)", floats(kRows)));
        if (kind == "two.npy") writeBytes(path, npy("<f4", "(40, 3)", floats(kRows, 3)));
        if (kind == "short.npy") writeBytes(path, npy("<f4", "(40,)", floats(kRows - 1)));
        if (kind == "cube.npy") writeBytes(path, npy("<f4", "(2, 2, 10)", floats(kRows)));
        if (kind == "object.npy") writeBytes(path, npy("|O", "(40,)", floats(kRows)));
        if (kind == "binary.dat") writeBytes(path, QByteArray("\x01\x02\0\xff\xfe junk", 10));
        return path;
    }

  private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void imports_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<ImportOptions>("options");
        QTest::addColumn<ImportProblem>("problem");
        QTest::addColumn<QString>("says"); // in the message, or in the warnings on success
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("column"); // the wave() column the samples follow, -1: see file
        QTest::addColumn<double>("interval");

        auto opt = [](int column, double rate, int time = 0, int imag = 0, bool drop = false) {
            ImportOptions o;
            o.column = column;
            o.rate = rate;
            o.timeColumn = time;
            o.imagColumn = imag;
            o.dropBad = drop;
            return o;
        };
        const auto none = ImportProblem::None;
        QTest::newRow("csv column 2")
            << "three.csv" << opt(2, 50) << none << "" << kRows << 1 << 0.02;
        QTest::newRow("csv column 3")
            << "three.csv" << opt(3, 4) << none << "" << kRows << 2 << 0.25;
        QTest::newRow("csv real + imag")
            << "three.csv" << opt(1, 1, 0, 3) << none << "" << kRows << -1 << 1.0;
        QTest::newRow("csv no such column") << "three.csv" << opt(4, 1) << ImportProblem::BadChoice
                                            << "no column 4" << 0 << 0 << 0.0;
        QTest::newRow("csv no rate") << "three.csv" << opt(1, 0) << ImportProblem::BadChoice
                                     << "sampling rate" << 0 << 0 << 0.0;
        QTest::newRow("csv text cells")
            << "text-cell.csv" << opt(2, 1) << ImportProblem::NotNumber
            << "column 2 \"b\" has 2 cell(s) that are not numbers; the first, at line 7," << 0 << 0
            << 0.0;
        QTest::newRow("csv text cells elsewhere")
            << "text-cell.csv" << opt(1, 1) << none << "" << kRows << 0 << 1.0;
        QTest::newRow("csv empty cell") << "empty-cell.csv" << opt(3, 1) << ImportProblem::NotNumber
                                        << "at line 9, is empty" << 0 << 0 << 0.0;
        QTest::newRow("csv nan rows stop")
            << "nan.csv" << opt(1, 1) << ImportProblem::NonFinite
            << "2 row(s) hold NaN or infinite values; the first is at line 6" << 0 << 0 << 0.0;
        QTest::newRow("csv nan rows dropped")
            << "nan.csv" << opt(2, 10, 0, 0, true) << none << "" << kRows << 1 << 0.1;
        QTest::newRow("csv nan rows dropped from the column")
            << "nan.csv" << opt(1, 10, 0, 0, true) << none << "2 row(s) with NaN" << kRows - 2 << -2
            << 0.1;
        QTest::newRow("csv a+bj") << "complex.csv" << opt(1, 2) << none << "" << kRows << -1 << 0.5;
        QTest::newRow("tsv time column")
            << "even.tsv" << opt(2, 0, 1) << none << "" << kRows << 1 << 0.001;
        QTest::newRow("tsv uneven") << "uneven.tsv" << opt(2, 0, 1) << none
                                    << "The time steps are uneven" << kRows << 1 << 0.001;
        QTest::newRow("tsv backward")
            << "backward.tsv" << opt(2, 0, 1) << ImportProblem::BadTime
            << "column 1 \"time\", line 22: the time values must increase" << 0 << 0 << 0.0;
        QTest::newRow("tsv time is samples")
            << "even.tsv" << opt(1, 0, 1) << ImportProblem::BadChoice << "time column" << 0 << 0
            << 0.0;
        QTest::newRow("tsv empty column")
            << "empty-column.tsv" << opt(3, 1) << ImportProblem::EmptyColumn
            << "column 3 \"nothing\" holds no numbers" << 0 << 0 << 0.0;
        QTest::newRow("blank-separated")
            << "blanks.txt" << opt(2, 0, 1) << none << "" << kRows << 0 << 1.0;
        QTest::newRow("wav channel 2")
            << "stereo.wav" << opt(2, 0) << none << "" << kRows << -3 << 1.0 / 8000;
        QTest::newRow("wav channel 3") << "stereo.wav" << opt(3, 0) << ImportProblem::BadChoice
                                       << "no channel 3; it has 2" << 0 << 0 << 0.0;
        QTest::newRow("npy 1-D") << "one.npy" << opt(1, 100) << none << "" << kRows << -4 << 0.01;
        QTest::newRow("npy 2-D column 3")
            << "two.npy" << opt(3, 100) << none << "" << kRows << -5 << 0.01;
    }

    void imports() {
        QFETCH(QString, file);
        QFETCH(ImportOptions, options);
        QFETCH(ImportProblem, problem);
        QFETCH(QString, says);
        QFETCH(int, count);
        QFETCH(int, column);
        QFETCH(double, interval);
        QString error;
        const auto table = readSource(make(file), &error);
        QVERIFY2(table, qPrintable(error));
        const ImportResult r = importSeries(*table, options);
        QCOMPARE(r.problem, problem);
        if (problem != ImportProblem::None) {
            QVERIFY2(r.message.startsWith(file + ": "), qPrintable(r.message));
            QVERIFY2(r.message.contains(says), qPrintable(r.message));
            return;
        }
        const ImportedSeries& s = r.series;
        QVERIFY2(says.isEmpty() ? s.warnings.isEmpty() : s.warnings.join(' ').contains(says),
                 qPrintable(s.warnings.join('\n')));
        QCOMPARE(s.count(), count);
        QVERIFY(std::abs(s.interval - interval) < 1e-12 * (1 + interval));
        for (int k = 0; k < count; ++k) {
            double re = 0, im = 0;
            bool cplx = false;
            switch (column) {
            case -1: // complex from columns 1 and 3, or from a+bj
                re = wave(0, k), im = wave(2, k), cplx = true;
                break;
            case -2: // rows 3 and 30 dropped
                re = wave(0, k < 3 ? k : k < 29 ? k + 1 : k + 2);
                break;
            case -3:
                re = pcm(1, k) / 32768.0;
                break;
            case -4:
                re = static_cast<float>(wave(0, k));
                break;
            case -5:
                re = static_cast<float>(wave(2, k));
                break;
            default:
                re = wave(column, k);
            }
            QCOMPARE(s.complex, cplx);
            QCOMPARE(s.re[static_cast<std::size_t>(k)], re);
            if (cplx) QCOMPARE(s.im[static_cast<std::size_t>(k)], im);
        }
    }

    void unreadable_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("says");
        QTest::newRow("junk wav") << "junk.wav"
                                  << "junk.wav: is not a sound file Lumetra can read";
        QTest::newRow("short npy") << "short.npy"
                                   << "short.npy: is cut short: the header announces 40 values";
        QTest::newRow("3-D npy") << "cube.npy"
                                 << "3-dimensional array";
        QTest::newRow("object npy") << "object.npy"
                                    << "holds values of type '|O'";
        QTest::newRow("binary") << "binary.dat"
                                << "binary.dat: is not a sound file";
        QTest::newRow("missing") << "missing.csv"
                                 << "missing.csv: no such file";
    }
    void unreadable() {
        QFETCH(QString, file);
        QFETCH(QString, says);
        const QString path = file == "missing.csv" ? dir_.filePath(file) : make(file);
        QString error;
        QVERIFY(!readSource(path, &error));
        QVERIFY2(error.contains(says), qPrintable(error));
    }

    void detectsLayout_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<bool>("header");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("csv") << "three.csv"
                             << "comma" << true << QStringList{"a", "b", "c"};
        QTest::newRow("tsv") << "even.tsv"
                             << "tab" << true << QStringList{"time", "value"};
        QTest::newRow("blanks") << "blanks.txt"
                                << "blanks" << false << QStringList{"Column 1", "Column 2"};
        QTest::newRow("wav") << "stereo.wav"
                             << "" << false << QStringList{"Channel 1", "Channel 2"};
    }
    void detectsLayout() {
        QFETCH(QString, file);
        QFETCH(QString, delimiter);
        QFETCH(bool, header);
        QFETCH(QStringList, names);
        const auto table = readSource(make(file), nullptr);
        QVERIFY(table);
        QCOMPARE(table->delimiterName, delimiter);
        QCOMPARE(table->hasHeader, header);
        QCOMPARE(table->names, names);
        QCOMPARE(table->preview.size(), kPreviewRows);
    }

    void tooManyRecordsOffersTheFirst() {
        const auto table = readSource(make("three.csv"), nullptr);
        ImportOptions o;
        o.rate = 1;
        o.recordLimit = 25;
        ImportResult r = importSeries(*table, o);
        QCOMPARE(r.problem, ImportProblem::TooMany);
        QVERIFY2(r.message.contains("40 records are more than a job may use (25)"),
                 qPrintable(r.message));
        o.takeFirst = true;
        r = importSeries(*table, o);
        QVERIFY(r.ok());
        QCOMPARE(r.series.count(), 25);
        QCOMPARE(r.series.cut, 15);
        QCOMPARE(r.series.re.back(), wave(0, 24));
    }

    // Written, then read back as a job reads it: the samples as 32-bit floats, the times too.
    void dataFileRoundTrip_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("imag");
        QTest::newRow("real") << "three.csv" << 0;
        QTest::newRow("complex") << "three.csv" << 3;
    }
    void dataFileRoundTrip() {
        QFETCH(QString, file);
        QFETCH(int, imag);
        const auto table = readSource(make(file), nullptr);
        ImportOptions o;
        o.column = 2;
        o.imagColumn = imag;
        o.rate = 3;
        const ImportResult r = importSeries(*table, o);
        QVERIFY(r.ok());
        const QString out = dir_.filePath("written.txt");
        writeBytes(out, dataFileBytes(r.series));
        const ImportResult back = readJobData(out, kDataFileHeaderLines, 0, imag != 0);
        QVERIFY2(back.ok(), qPrintable(back.message));
        QCOMPARE(back.series.count(), kRows);
        QVERIFY(back.series.warnings.isEmpty());
        for (int k = 0; k < kRows; ++k) {
            const auto i = static_cast<std::size_t>(k);
            QCOMPARE(static_cast<float>(back.series.re[i]), static_cast<float>(r.series.re[i]));
            if (imag)
                QCOMPARE(static_cast<float>(back.series.im[i]), static_cast<float>(r.series.im[i]));
            QCOMPARE(back.series.time[i], k / 3.0);
        }
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readLine().startsWith("# Imported by Lumetra from three.csv, column 2 \"b\""));
    }

    void cells_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("state");
        QTest::addColumn<double>("re");
        QTest::addColumn<double>("im");
        QTest::newRow("plain") << "1.5" << 0 << 1.5 << 0.0;
        QTest::newRow("plus") << "+2e3" << 0 << 2000.0 << 0.0;
        QTest::newRow("quoted blanks") << "  -7 " << 0 << -7.0 << 0.0;
        QTest::newRow("a+bj") << "1.5+2j" << 0 << 1.5 << 2.0;
        QTest::newRow("a-bi") << "1e-3-2.5e+1i" << 0 << 0.001 << -25.0;
        QTest::newRow("bj") << "-4j" << 0 << 0.0 << -4.0;
        QTest::newRow("(a,b)") << "(1,-2)" << 0 << 1.0 << -2.0;
        QTest::newRow("(a+bj)") << "(3+4j)" << 0 << 3.0 << 4.0;
        QTest::newRow("empty") << "" << 1 << 0.0 << 0.0;
        QTest::newRow("word") << "abc" << 2 << 0.0 << 0.0;
        QTest::newRow("two numbers") << "1 2" << 2 << 0.0 << 0.0;
        QTest::newRow("half complex") << "1+j2" << 2 << 0.0 << 0.0;
    }
    void cells() {
        QFETCH(QString, text);
        QFETCH(int, state);
        QFETCH(double, re);
        QFETCH(double, im);
        const Cell c = parseCell(text);
        QCOMPARE(static_cast<int>(c.state), state);
        if (state == 0) {
            QCOMPARE(c.re, re);
            QCOMPARE(c.im, im);
        }
    }
};

QTEST_GUILESS_MAIN(TestDataImport)
#include "tst_data_import.moc"
