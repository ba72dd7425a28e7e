// Lumetra --batch: the command line, a real run to PNG, SVG, CSV and report, the user's plot
// settings, and the exit status of runs that give no plot.
#include "batch_export.h"
#include "plot_options.h"
#include "plot_registry.h"
#include "registry_store.h"
#include "start_path.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <cmath>
#include <cstdio>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumetra;

namespace {

QString builtProgram() {
    return QFileInfo(QStringLiteral(LUMETRA_ENGINE_LIBRARY)).absolutePath() + "/Lumetra";
}

// The program and its engine copied into `dir`: a folder without "user" is an install (its
// settings go to $XDG_CONFIG_HOME/Lumetra), one with it a portable copy (settings beside it).
// The build tree itself is a portable copy whose settings a test must not touch.
QString programCopy(const QString& dir, bool portable) {
    QDir().mkpath(dir);
    if (portable) QDir().mkpath(dir + "/user");
    const QString program = dir + "/Lumetra";
    QFile::copy(builtProgram(), program);
    QFile::copy(QStringLiteral(LUMETRA_ENGINE_LIBRARY), dir + "/libspecest.so");
    return program;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

int countColor(const QImage& image, QRgb color) {
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) | 0xFF000000u) == (color | 0xFF000000u)) ++n;
    return n;
}

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

} // namespace

class TestBatchExport : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString program_;

    QString path(const QString& name) const { return tmp_.filePath(name); }

    // The shipped periodogram example and its data in the test folder.
    QString copyExample(const QString& name) {
        const QString examples = QStringLiteral(LUMETRA_EXAMPLES_DIR);
        QFile::copy(examples + "/marple64.txt", path("marple64.txt"));
        QFile::copy(examples + "/" + name, path(name));
        return path(name);
    }

    Run runProgram(const QStringList& args) { return runProgramAt(program_, path("config"), args); }

    Run runProgramAt(const QString& program, const QString& configHome, const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // No display of any kind: the batch run must not need one.
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        env.insert("XDG_CONFIG_HOME", configHome);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(tmp_.path());
        p.start(program, args);
        Run r;
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

  private slots:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        QVERIFY2(QFile::exists(builtProgram()), qPrintable(builtProgram()));
        program_ = programCopy(path("prefix/bin"), false);
        QVERIFY2(QFile::exists(program_), qPrintable(program_));
    }

    void arguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("job");
        QTest::addColumn<QString>("png");
        QTest::addColumn<QString>("csv");
        QTest::addColumn<QString>("error");
        QTest::newRow("job only") << QStringList{"--batch", "a.0"} << "a.0"
                                  << ""
                                  << ""
                                  << "";
        QTest::newRow("all, any order")
            << QStringList{"--png", "p.png", "--batch", "a.0",      "--csv",
                           "c.csv", "--svg", "s.svg",   "--report", "r.out"}
            << "a.0"
            << "p.png"
            << "c.csv"
            << "";
        QTest::newRow("name=value") << QStringList{"--batch=a.0", "--png=x.png"} << "a.0"
                                    << "x.png"
                                    << ""
                                    << "";
        QTest::newRow("no job") << QStringList{"--png", "p.png"} << ""
                                << ""
                                << ""
                                << "No job file given.";
        QTest::newRow("job missing") << QStringList{"--batch"} << ""
                                     << ""
                                     << ""
                                     << "'--batch' needs a file name.";
        QTest::newRow("value is an option")
            << QStringList{"--batch", "a.0", "--csv", "--png", "p.png"} << ""
            << ""
            << ""
            << "'--csv' needs a file name.";
        QTest::newRow("unknown") << QStringList{"--batch", "a.0", "--zoom", "2"} << ""
                                 << ""
                                 << ""
                                 << "Unknown argument '--zoom'";
        QTest::newRow("several jobs")
            << QStringList{"--batch", "a.0", "b.0", "c.0", "--png", "p"} << "a.0"
            << "p"
            << ""
            << "";
        QTest::newRow("too many jobs")
            << QStringList{"--batch", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"} << ""
            << ""
            << ""
            << "'--batch' takes at most 9 jobs, not 10.";
        QTest::newRow("size") << QStringList{"--batch", "a.0", "--size", "1920x1080"} << "a.0"
                              << ""
                              << ""
                              << "";
        QTest::newRow("size not a size")
            << QStringList{"--batch", "a.0", "--size", "big"} << ""
            << ""
            << ""
            << "'--size' needs WIDTHxHEIGHT in pixels, such as 1920x1080, not 'big'.";
        QTest::newRow("size too small") << QStringList{"--batch", "a.0", "--size=100x80"} << ""
                                        << ""
                                        << ""
                                        << "'--size' 100x80 is outside 320x240 .. 7680x4320.";
        QTest::newRow("size missing") << QStringList{"--batch", "a.0", "--size"} << ""
                                      << ""
                                      << ""
                                      << "'--size' needs WIDTHxHEIGHT.";
        QTest::newRow("marks") << QStringList{"--batch", "a.0", "--marks", "7"} << "a.0"
                               << ""
                               << ""
                               << "";
        QTest::newRow("marks out of range") << QStringList{"--batch", "a.0", "--marks=21"} << ""
                                            << ""
                                            << ""
                                            << "'--marks' takes 1 to 20 peaks, not '21'.";
        QTest::newRow("marks not a number")
            << QStringList{"--batch", "a.0", "--marks", "many"} << ""
            << ""
            << ""
            << "'--marks' takes 1 to 20 peaks, not 'many'.";
        QTest::newRow("marks missing") << QStringList{"--batch", "a.0", "--marks"} << ""
                                       << ""
                                       << ""
                                       << "'--marks' needs a number of peaks.";
        QTest::newRow("twice") << QStringList{"--batch", "a.0", "--png", "1", "--png", "2"} << ""
                               << ""
                               << ""
                               << "'--png' given twice.";
    }
    void arguments() {
        QFETCH(QStringList, args);
        QFETCH(QString, job);
        QFETCH(QString, png);
        QFETCH(QString, csv);
        QFETCH(QString, error);
        QString why;
        const auto r = parseBatchArguments(args, &why);
        if (error.isEmpty()) {
            QVERIFY2(r.has_value(), qPrintable(why));
            QCOMPARE(r->job, job);
            QCOMPARE(r->png, png);
            QCOMPARE(r->csv, csv);
        } else {
            QVERIFY(!r);
            QCOMPARE(why, error + "\n" + kBatchUsageText);
        }
    }

    void overlaidJobs() {
        copyExample("Ex-Burg.0");
        copyExample("Ex-Perio.0");
        copyExample("Ex-MVSE.0");
        const Run r =
            runProgram({"--batch", "Ex-Perio.0", "Ex-MVSE.0", "Ex-Burg.0", "--png", "o.png",
                        "--pdf", "o.pdf", "--svg", "o.svg", "--size", "1280x800"});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        // The last job is the live run: its title and its Output text.
        QVERIFY(r.out.contains("Batch Input file ... fileIn = Ex-Burg.0"));
        const QImage png(path("o.png"), "PNG");
        QCOMPARE(png.size(), QSize(1280, 800));
        QVERIFY(countColor(png, qRgb(0, 0, 0xFF)) > 300);    // Curve1: the live run
        QVERIFY(countColor(png, qRgb(0xFF, 0xFF, 0)) > 300); // Curve2: the first held
        const QByteArray svg = readFile(path("o.svg"));
        QVERIFY(svg.contains("Burg Estimate by Lumetra (tm)"));
        for (const char* entry : {"Periodogram, ", "MVSE p=20, ", "Burg p=15, "})
            QVERIFY2(svg.contains(entry), entry);
        QVERIFY(svg.contains("viewBox=\"0 0 1280 800\""));
        QVERIFY(readFile(path("o.pdf")).startsWith("%PDF-"));

        const Run bad = runProgram({"--batch", "Ex-Burg.0", "--png", "b.png", "--size", "0x0"});
        QCOMPARE(bad.exitCode, int(kBatchBadArguments));
        QVERIFY2(bad.err.contains("'--size' 0x0 is outside"), qPrintable(bad.err));
        QVERIFY(!QFile::exists(path("b.png")));
        // One job that does not run stops the whole plot.
        const Run missing = runProgram({"--batch", "Ex-Burg.0", "none.0", "--png", "m.png"});
        QCOMPARE(missing.exitCode, int(kBatchStopped));
        QVERIFY(!QFile::exists(path("m.png")));
    }

    // --marks N: the window's peak marks (in the Titles colour) on the batch plot too.
    void marksOnTheBatchPlot() {
        copyExample("Ex-Perio.0");
        const Run plain = runProgram({"--batch", "Ex-Perio.0", "--png", "plain.png"});
        QVERIFY2(plain.exitCode == 0, qPrintable(plain.err));
        const Run marked =
            runProgram({"--batch", "Ex-Perio.0", "--png", "marked.png", "--marks", "5"});
        QVERIFY2(marked.exitCode == 0, qPrintable(marked.err));
        const QRgb titles = plot::PlotOptions{}.penColor(plot::Titles).rgb();
        const int before = countColor(QImage(path("plain.png"), "PNG"), titles);
        const int after = countColor(QImage(path("marked.png"), "PNG"), titles);
        QVERIFY2(after > before + 5 * 20, qPrintable(QString("%1 -> %2").arg(before).arg(after)));
    }

    void wholeRunWithoutADisplay() {
        const QString job = copyExample("Ex-Perio.0");
        // The user's plot settings, where a window of this user keeps them: a green curve.
        {
            RegistryStore registry(path("config/Tavrenco/registry.ini"));
            plot::RegistryPlotStore store(registry);
            plot::PlotOptions o;
            o.colors[plot::Curve1] = 0x00FF00;
            plot::savePlotOptions(store, o);
        }
        const Run r = runProgram({"--batch", "Ex-Perio.0", "--png", "p.png", "--svg", "p.svg",
                                  "--csv", "p.csv", "--report", "p.out"});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(r.out.contains("Batch Input file ... fileIn = Ex-Perio.0"));
        QVERIFY(r.out.contains(" Peak Frequencies: "));

        const QImage png(path("p.png"), "PNG");
        QCOMPARE(png.size(), QSize(800, 600));
        QVERIFY(countColor(png, qRgb(0, 0xFF, 0)) > 200);
        QCOMPARE(countColor(png, qRgb(0, 0, 0xFF)), 0); // not the default blue
        QVERIFY(countColor(png, qRgb(0xC0, 0xC0, 0xC0)) > 800 * 600 / 2);

        const QByteArray svg = readFile(path("p.svg"));
        QVERIFY(svg.contains("<svg"));
        QVERIFY(svg.contains("Periodogram Estimate by Lumetra (tm)"));
        QVERIFY(svg.contains("#00ff00"));

        const QStringList csv =
            QString::fromUtf8(readFile(path("p.csv"))).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(csv[0], QString("frequency,dB"));
        QVERIFY(csv.size() > 256);
        double previous = -1e9, top = -1e9;
        for (qsizetype i = 1; i < csv.size(); ++i) {
            const QStringList v = csv[i].split(',');
            QCOMPARE(v.size(), 2);
            bool okF = false, okD = false;
            const double f = v[0].toDouble(&okF);
            const double d = v[1].toDouble(&okD);
            QVERIFY(okF && okD && std::isfinite(d));
            QVERIFY(f > previous);
            previous = f;
            top = std::max(top, d);
        }
        QCOMPARE(top, 0.0); // dB relative to the maximum
        QVERIFY(readFile(path("p.out")).contains("Starting Spectral Estimation calculations"));
        // The window's report is left alone.
        QVERIFY(!QFile::exists(path("~Lumetra.out")));
    }

    // --batch plots with the settings store the window uses (one shared function): the store
    // in the layout's settings folder, filled once from the old place when only that has keys.
    void settingsOfTheWindow_data() {
        QTest::addColumn<bool>("portable");
        QTest::addColumn<bool>("atNewPlace"); // keys already where the window keeps them
        QTest::addColumn<bool>("atOldPlace");
        QTest::addColumn<int>("curve1");
        const int green = 0x00FF00, red = 0xFF0000, blue = 0x0000FF;
        // The old place is not read once the new one exists.
        QTest::newRow("install layout") << false << true << true << green;
        QTest::newRow("portable layout") << true << true << true << green;
        QTest::newRow("old place only") << false << false << true << red;
        QTest::newRow("old place only, portable") << true << false << true << red;
        QTest::newRow("nothing stored") << false << false << false << blue;
    }
    void settingsOfTheWindow() {
        QFETCH(bool, portable);
        QFETCH(bool, atNewPlace);
        QFETCH(bool, atOldPlace);
        QFETCH(int, curve1);
        QTemporaryDir dir;
        const QString programDir = dir.filePath(portable ? "Lumetra" : "opt/bin");
        const QString program = programCopy(programDir, portable);
        const QString config = dir.filePath("config");
        const QString oldPlace = config + "/Tavrenco/registry.ini";
        const QString newPlace =
            portable ? programDir + "/registry.ini" : config + "/Lumetra/registry.ini";
        auto store = [](const QString& file, int color) {
            RegistryStore registry(file);
            plot::RegistryPlotStore s(registry);
            plot::PlotOptions o;
            o.colors[plot::Curve1] = plot::bgrFromColor(QColor::fromRgb(QRgb(color)));
            plot::savePlotOptions(s, o);
        };
        if (atOldPlace) store(oldPlace, 0xFF0000);
        if (atNewPlace) store(newPlace, 0x00FF00);

        // The window's start takes its store from the same function, for the same layout.
        LayoutEnvironment env;
        env.configHome = config;
        env.dataHome = dir.filePath("data");
        env.writable = [](const QString&) { return true; };
        QCOMPARE(programLayout(programDir, env).settingsDir + "/registry.ini", newPlace);

        copyExample("Ex-Perio.0");
        auto curveColorIn = [&](const QString& png) -> int {
            const Run r = runProgramAt(program, config, {"--batch", "Ex-Perio.0", "--png", png});
            if (r.exitCode != 0) qWarning("%s", qPrintable(r.err));
            const QImage image(path(png), "PNG");
            for (int color : {0x00FF00, 0xFF0000, 0x0000FF})
                if (countColor(image, QRgb(color)) > 200) return color;
            return -1;
        };
        QCOMPARE(curveColorIn("first.png"), curve1);
        QCOMPARE(QFileInfo::exists(newPlace), atNewPlace || atOldPlace);
        if (!atOldPlace) return;
        // Read once: later keys at the old place change nothing; the old file is left as it was.
        store(oldPlace, 0x0000FF);
        QCOMPARE(curveColorIn("second.png"), curve1);
        QVERIFY(QFileInfo::exists(oldPlace));
    }

    void fileNamesThatAreNotUtf8_data() {
        QTest::addColumn<QByteArray>("arg");
        QTest::addColumn<QString>("shown"); // empty: the name is fine
        QTest::newRow("ascii") << QByteArray("Ex-Burg.0") << QString();
        QTest::newRow("utf-8") << QByteArray("mein J\xc3\xb6"
                                             "b.0")
                               << QString();
        QTest::newRow("latin-1") << QByteArray("caf\xe9.0") << QString("caf\\xE9.0");
        QTest::newRow("cut sequence") << QByteArray("a\xc3") << QString("a\\xC3");
        QTest::newRow("overlong slash") << QByteArray("x\xc0\xafy") << QString("x\\xC0\\xAFy");
    }
    void fileNamesThatAreNotUtf8() {
        QFETCH(QByteArray, arg);
        QFETCH(QString, shown);
        const QString message = undecodableArgument({QByteArray("--batch"), arg});
        if (shown.isEmpty())
            QCOMPARE(message, QString());
        else
            QVERIFY2(message.startsWith("the file name '" + shown + "' is not valid UTF-8"),
                     qPrintable(message));
    }

    // Through the program: a clear refusal, not "not found" for a file that is there.
    void aLatin1JobNameIsRefusedClearly() {
        const QByteArray name = "caf\xe9.0";
        const QByteArray full = tmp_.path().toUtf8() + '/' + name;
        FILE* f = std::fopen(full.constData(), "wb");
        QVERIFY(f);
        std::fclose(f);
        QProcess p;
        p.setWorkingDirectory(tmp_.path());
        p.start("/bin/sh", {"-c", "\"$0\" --batch \"$(printf 'caf\\351.0')\"", program_});
        QVERIFY(p.waitForFinished(60000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitCode(), int(kBatchBadArguments));
        QVERIFY2(err.contains("the file name 'caf\\xE9.0' is not valid UTF-8"), qPrintable(err));
        std::remove(full.constData());
    }

    void stoppedRunFails() {
        copyExample("Ex-Black.0");
        QByteArray job = readFile(path("Ex-Black.0"));
        QVERIFY(job.contains("\r\n24  \t\t! 15."));
        job.replace("\r\n24  \t\t! 15.", "\r\n40  \t\t! 15."); // lag too large for 64 points
        writeFile(path("Bad-Black.0"), job);
        const Run r =
            runProgram({"--batch", "Bad-Black.0", "--png", "bad.png", "--report", "bad.out"});
        QCOMPARE(r.exitCode, int(kBatchStopped));
        QVERIFY2(r.err.contains("M_Lags parameter out of range"), qPrintable(r.err));
        QVERIFY(!QFile::exists(path("bad.png")));
        QVERIFY(readFile(path("bad.out")).contains("M_Lags parameter out of range"));

        const Run missing = runProgram({"--batch", "nothing.0"});
        QCOMPARE(missing.exitCode, int(kBatchStopped));
        QVERIFY(missing.err.contains("job file '" + path("nothing.0") + "' not found."));

        const Run usage = runProgram({"--batch", "Bad-Black.0", "--zoom", "2"});
        QCOMPARE(usage.exitCode, int(kBatchBadArguments));
        QVERIFY(usage.err.contains(kBatchUsageText));
    }

    void endingsWithTheStandInEngine_data() {
        QTest::addColumn<QString>("note2");
        QTest::addColumn<bool>("unwritable");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("err");
        QTest::newRow("estimator failure") << "fail" << false << int(kBatchEstimatorFailure)
                                           << "Lumetra: No Plot!  Error calculating a spectrum.";
        QTest::newRow("stop") << "stop" << false << int(kBatchStopped)
                              << "Lumetra: L_PTS parameter out of range";
        QTest::newRow("success") << "fine" << false << int(kBatchOk) << "";
        QTest::newRow("output folder missing")
            << "fine" << true << int(kBatchWriteFailed) << "Lumetra: cannot write ";
    }
    void endingsWithTheStandInEngine() {
        QFETCH(QString, note2);
        QFETCH(bool, unwritable);
        QFETCH(int, exit);
        QFETCH(QString, err);
        QTemporaryDir dir;
        const QByteArray job =
            "Ex-T.0\r\nd.txt\r\n0\r\n0\r\nReal\r\n0\r\nBurg\r\nNo\r\n128\r\n4\r\n-999\r\n-999\r\n"
            "-999\r\n-999\r\n-999\r\n-999\r\n-999\r\n-999\r\n-999\r\nn1\r\n" +
            note2.toLatin1() + "\r\n";
        writeFile(dir.filePath("Ex-T.0"), job);
        EngineLibrary engine(QStringLiteral(LUMETRA_FAKE_ENGINE));
        // Black and white from the settings: no colour on the plot.
        QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
        plot::PlotOptions bw;
        bw.blackAndWhite = true;
        plot::savePlotOptions(settings, bw);
        plot::QSettingsPlotStore store(settings);

        BatchRequest request;
        request.job = dir.filePath("Ex-T.0");
        const QString folder = unwritable ? dir.filePath("none/here") : dir.path();
        request.png = folder + "/t.png";
        request.csv = folder + "/t.csv";
        QString out, errText;
        QTextStream outStream(&out), errStream(&errText);
        const int status = runBatch(request, engine, store, outStream, errStream);
        outStream.flush();
        errStream.flush();
        QCOMPARE(status, exit);
        if (err.isEmpty())
            QVERIFY2(errText.isEmpty(), qPrintable(errText));
        else
            QVERIFY2(errText.startsWith(err), qPrintable(errText));
        QCOMPARE(QFile::exists(request.png), exit == kBatchOk);
        if (exit == kBatchOk) {
            const QImage png(request.png);
            // Black on white: greys at most, where text is smoothed.
            const QImage img = png.convertToFormat(QImage::Format_RGB32);
            int coloured = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    const QRgb c = img.pixel(x, y);
                    coloured += qRed(c) != qGreen(c) || qGreen(c) != qBlue(c);
                }
            QCOMPARE(coloured, 0);
            QVERIFY(countColor(png, qRgb(0xFF, 0xFF, 0xFF)) > 800 * 600 / 2);
            QVERIFY(countColor(png, qRgb(0, 0, 0)) > 200);
            // The stand-in fills all 128 points: -64 .. 63.
            const QStringList csv = QString::fromUtf8(readFile(request.csv)).split('\n');
            QCOMPARE(csv.size(), 1 + 128 + 1);
            QCOMPARE(csv[1], QString("-64,-50"));
            QCOMPARE(csv[65], QString("0,0"));
            // Two-sided: the peak at 0 counts.
            QVERIFY2(out.contains(" Peak Frequencies:   0\n"), qPrintable(out));
        }
    }
    // A job with CR-only or mixed line ends runs as specest-run runs it.
    void lineEndsOfEveryKind_data() {
        QTest::addColumn<QByteArray>("end");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("CR") << QByteArray("\r");
        QTest::newRow("mixed") << QByteArray("mixed");
    }
    void lineEndsOfEveryKind() {
        QFETCH(QByteArray, end);
        QByteArray text = readFile(copyExample("Ex-Perio.0"));
        QVERIFY(text.contains("\r\n"));
        QByteArray converted;
        int k = 0;
        for (const QByteArray& line : text.split('\n')) {
            if (line.isEmpty()) continue;
            const QByteArray body = line.endsWith('\r') ? line.chopped(1) : line;
            const QByteArray e = end != "mixed" ? end
                                 : k % 3 == 0   ? QByteArray("\r")
                                 : k % 3 == 1   ? QByteArray("\n")
                                                : QByteArray("\r\n");
            converted += body + e;
            ++k;
        }
        writeFile(path("ends.0"), converted);
        const Run r = runProgram({"--batch", "ends.0", "--csv", "ends.csv"});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(QString::fromUtf8(readFile(path("ends.csv"))).count('\n') > 256);
    }

    // Outputs that would lose a file are refused before anything runs; special files stay.
    void outputsThatWouldLoseAFile_data() {
        QTest::addColumn<QStringList>("outputs");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        QTest::newRow("same file twice") << QStringList{"--csv", "o.csv", "--png", "./o.csv"} << 4
                                         << "--png and --csv name the same file";
        QTest::newRow("the data file")
            << QStringList{"--csv", "marple64.txt"} << 4 << "is an input of the run";
        QTest::newRow("the job") << QStringList{"--report", "Ex-Perio.0"} << 4
                                 << "is an input of the run";
        QTest::newRow("a FIFO") << QStringList{"--csv", "fifo"} << 3 << "not a regular file";
        QTest::newRow("a FIFO for the report")
            << QStringList{"--report", "fifo"} << 3 << "not a regular file";
    }
    void outputsThatWouldLoseAFile() {
        QFETCH(QStringList, outputs);
        QFETCH(int, code);
        QFETCH(QString, says);
        copyExample("Ex-Perio.0");
        const QByteArray data = readFile(path("marple64.txt"));
        const QByteArray job = readFile(path("Ex-Perio.0"));
        QFile::remove(path("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
        QFile::remove(path("o.csv"));
        const Run r = runProgram(QStringList{"--batch", "Ex-Perio.0"} + outputs);
        QCOMPARE(r.exitCode, code);
        QVERIFY2(r.err.contains(says), qPrintable(r.err));
        if (code == 4) QVERIFY2(r.out.isEmpty(), qPrintable(r.out)); // nothing ran
        QCOMPARE(readFile(path("marple64.txt")), data);
        QCOMPARE(readFile(path("Ex-Perio.0")), job);
        QVERIFY(QFileInfo(path("fifo")).exists() && !QFileInfo(path("fifo")).isFile());
        QVERIFY(!QFile::exists(path("o.csv")));
    }

    // A killed batch's report folder is removed by the next batch; a running one's is kept.
    void reportFoldersOfDeadBatchesAreRemoved() {
        const pid_t dead = ::fork();
        if (dead == 0) ::_exit(0);
        ::waitpid(dead, nullptr, 0);
        const QString stale =
            QDir(QDir::tempPath()).filePath(QStringLiteral("Lumetra-batch-%1-abcdef").arg(dead));
        const QString live =
            QDir(QDir::tempPath())
                .filePath(QStringLiteral("Lumetra-batch-%1-abcdef").arg(::getpid()));
        QVERIFY(QDir().mkpath(stale) && QDir().mkpath(live));
        writeFile(stale + "/~Lumetra.out", "left by a killed run");
        copyExample("Ex-Perio.0");
        const Run r = runProgram({"--batch", "Ex-Perio.0"});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(stale));
        QVERIFY(QFileInfo::exists(live));
        QDir(live).removeRecursively();
        // Nothing of this run is left behind either.
        const QStringList mine =
            QDir(QDir::tempPath()).entryList({QStringLiteral("Lumetra-batch-*")}, QDir::Dirs);
        for (const QString& name : mine) QVERIFY2(!name.contains("-abcdef"), qPrintable(name));
    }
};

QTEST_MAIN(TestBatchExport)
#include "tst_batch_export.moc"
