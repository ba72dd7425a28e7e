#include "batch_export.h"

#include "atomic_write.h"
#include "compare_batch.h"
#include "job_run.h"
#include "job_state.h"
#include "modern_batch.h"
#include "output_file.h"
#include "path_rules.h"
#include "plot_from_run.h"
#include "plot_marks.h"
#include "plot_output.h"
#include "plot_registry.h"
#include "registry_store.h"
#include "start_path.h"

#include <specest/job_record.hpp>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTextStream>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace lumetra {

static_assert(plot::kMaxPeaks == specest::record::kMaxPeaks, "one peak cap for engine and plot");

namespace {

// Shortest text that reads back as the same 32-bit value.
QByteArray number(float v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QByteArray(buf, static_cast<qsizetype>(r.ptr - buf));
}

QByteArray spectrumCsv(const plot::PlotInput& in) {
    QByteArray csv = "frequency,dB\n";
    const int n = in.pointCount();
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<size_t>(i);
        csv += number(in.frequencies[k]) + ',' + number(in.spectrum[k]) + '\n';
    }
    return csv;
}

// Report folders of this process: "Lumetra-batch-PID-XXXXXX" in the system's temporary folder.
QString reportFolderPrefix() {
    return QStringLiteral("Lumetra-batch-%1-").arg(::getpid());
}

// Folders a killed batch left behind: those whose process no longer runs.
void removeStaleReportFolders() {
    QDir tmp(QDir::tempPath());
    const QStringList names =
        tmp.entryList({QStringLiteral("Lumetra-batch-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        bool ok = false;
        const qint64 pid = name.section(u'-', 2, 2).toLongLong(&ok);
        if (!ok || pid <= 0 || pid == ::getpid()) continue;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            QDir(tmp.filePath(name)).removeRecursively();
    }
}

// The data file a job names, found as the engine finds it: from the current folder, else from
// the job's folder. Empty when the job cannot be read (the run says why).
QString dataFileOf(const QString& jobPath) {
    const std::optional<QStringList> v = readJobValues(jobPath, nullptr);
    if (!v) return {};
    const QString data = (*v)[1];
    if (data.isEmpty()) return {};
    if (QFileInfo(data).isAbsolute() || QFileInfo::exists(data)) return data;
    const QString beside = QFileInfo(jobPath).dir().filePath(data);
    return QFileInfo::exists(beside) ? beside : data;
}

} // namespace

QString refusedOutputs(const BatchRequest& request) {
    const QStringList jobs = request.jobs.isEmpty() ? QStringList{request.job} : request.jobs;
    std::vector<std::string> inputs;
    for (const QString& job : jobs) {
        inputs.push_back(job.toLocal8Bit().toStdString());
        inputs.push_back(dataFileOf(job).toLocal8Bit().toStdString());
    }
    std::vector<std::pair<std::string, std::string>> outputs;
    const std::pair<const char*, const QString*> named[] = {{"--png", &request.png},
                                                            {"--svg", &request.svg},
                                                            {"--pdf", &request.pdf},
                                                            {"--csv", &request.csv},
                                                            {"--report", &request.report}};
    for (const auto& [option, path] : named)
        outputs.emplace_back(option, path->toLocal8Bit().toStdString());
    return QString::fromLocal8Bit(specest::output::check_outputs(outputs, inputs).c_str());
}

bool isBatchCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (argv[i] && std::strcmp(argv[i], "--batch") == 0) return true;
    return false;
}

QString undecodableArgument(const QByteArrayList& arguments) {
    for (const QByteArray& arg : arguments) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        (void)QString(utf8(arg));
        if (!utf8.hasError()) continue;
        QString shown; // the name with each byte outside ASCII written as \xNN
        for (const char c : arg) {
            const auto b = static_cast<unsigned char>(c);
            shown += b < 0x80 ? QString(QLatin1Char(c))
                              : QStringLiteral("\\x") +
                                    QString::number(b, 16).toUpper().rightJustified(2, u'0');
        }
        return QStringLiteral("the file name '") + shown +
               QStringLiteral("' is not valid UTF-8, and Lumetra reads file names as UTF-8. "
                              "Rename it (for example: convmv -f latin1 -t utf8 --notest FILE) "
                              "or run the job with specest-run.");
    }
    return {};
}

std::optional<QSize> parseBatchSize(const QString& text, QString* error) {
    const QStringList parts = text.trimmed().toLower().split(u'x');
    bool okW = false, okH = false;
    const int w = parts.size() == 2 ? parts[0].toInt(&okW) : 0;
    const int h = parts.size() == 2 ? parts[1].toInt(&okH) : 0;
    if (!okW || !okH) {
        if (error)
            *error = QStringLiteral(
                         "'--size' needs WIDTHxHEIGHT in pixels, such as 1920x1080, not '%1'.")
                         .arg(text);
        return std::nullopt;
    }
    if (w < kBatchMinSize.width() || h < kBatchMinSize.height() || w > kBatchMaxSize.width() ||
        h > kBatchMaxSize.height()) {
        if (error)
            *error = QStringLiteral("'--size' %1x%2 is outside %3x%4 .. %5x%6.")
                         .arg(w)
                         .arg(h)
                         .arg(kBatchMinSize.width())
                         .arg(kBatchMinSize.height())
                         .arg(kBatchMaxSize.width())
                         .arg(kBatchMaxSize.height());
        return std::nullopt;
    }
    return QSize(w, h);
}

std::optional<BatchRequest> parseBatchArguments(const QStringList& arguments, QString* error) {
    BatchRequest r;
    bool batch = false;
    auto fail = [error](const QString& why) {
        if (error) *error = why + u'\n' + kBatchUsageText;
        return std::nullopt;
    };
    QString sizeText, marksText, viewText;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        QString value;
        bool inlineValue = false;
        if (arg.startsWith(QStringLiteral("--")) && arg.contains(u'=')) {
            value = arg.section(u'=', 1);
            arg = arg.section(u'=', 0, 0);
            inlineValue = true;
        }
        QString* target = nullptr;
        if (arg == u"--batch")
            target = &r.job;
        else if (arg == u"--png")
            target = &r.png;
        else if (arg == u"--svg")
            target = &r.svg;
        else if (arg == u"--pdf")
            target = &r.pdf;
        else if (arg == u"--csv")
            target = &r.csv;
        else if (arg == u"--report")
            target = &r.report;
        else if (arg == u"--size")
            target = &sizeText;
        else if (arg == u"--marks")
            target = &marksText;
        else if (arg == u"--compare")
            target = &r.compare;
        else if (arg == u"--peaks")
            target = &r.peaks;
        else if (arg == u"--view")
            target = &viewText;
        else
            return fail(QStringLiteral("Unknown argument '") + arguments[i] + u'\'');
        const QString needs = arg == u"--size"      ? QStringLiteral("' needs WIDTHxHEIGHT.")
                              : arg == u"--marks"   ? QStringLiteral("' needs a number of peaks.")
                              : arg == u"--compare" ? QStringLiteral("' needs METHOD,...")
                              : arg == u"--view"    ? QStringLiteral("' needs classic or modern.")
                                                    : QStringLiteral("' needs a file name.");
        if (!inlineValue) {
            if (i + 1 >= arguments.size() || arguments[i + 1].startsWith(QStringLiteral("--")))
                return fail(QStringLiteral("'") + arg + needs);
            value = arguments[++i];
        }
        if (value.isEmpty()) return fail(QStringLiteral("'") + arg + needs);
        if (!target->isEmpty())
            return fail(QStringLiteral("'") + arg + QStringLiteral("' given twice."));
        *target = value;
        if (arg == u"--batch") {
            // Every following name up to the next option is one more job to overlay.
            r.jobs << value;
            while (!inlineValue && i + 1 < arguments.size() &&
                   !arguments[i + 1].startsWith(QStringLiteral("--")))
                r.jobs << arguments[++i];
            if (r.jobs.size() > kMaxBatchJobs)
                return fail(QStringLiteral("'--batch' takes at most %1 jobs, not %2.")
                                .arg(kMaxBatchJobs)
                                .arg(r.jobs.size()));
        }
        batch = batch || arg == u"--batch";
    }
    if (!batch) return fail(QStringLiteral("No job file given."));
    if (!sizeText.isEmpty()) {
        QString why;
        const auto size = parseBatchSize(sizeText, &why);
        if (!size) return fail(why);
        r.size = *size;
    }
    if (!viewText.isEmpty()) {
        if (viewText != u"classic" && viewText != u"modern")
            return fail(QStringLiteral("'--view' is classic or modern, not '%1'.").arg(viewText));
        r.modern = viewText == u"modern";
    }
    if (!marksText.isEmpty()) {
        bool ok = false;
        r.marks = marksText.toInt(&ok);
        if (!ok || r.marks < 1 || r.marks > plot::kMaxPeakMarks)
            return fail(QStringLiteral("'--marks' takes 1 to %1 peaks, not '%2'.")
                            .arg(plot::kMaxPeakMarks)
                            .arg(marksText));
    }
    return r;
}

namespace {

// One job run without a window: its plot input, or the exit status and the reason printed.
struct JobRun {
    int status = kBatchOk;
    std::optional<plot::PlotInput> input;
};

JobRun runOneJob(const QString& job, const QString& reportCopy, EngineLibrary& engine,
                 QTextStream& err) {
    JobRun run;
    const QString jobPath = QFileInfo(job).absoluteFilePath();
    if (!QFileInfo(jobPath).isFile()) {
        err << "Lumetra: job file '" << jobPath << "' not found.\n";
        run.status = kBatchStopped;
        return run;
    }
    // The arrays are sized from the job as a window run sizes them.
    QString readError;
    std::optional<RunResult> sized = sizedResultFor(jobPath, &readError);
    if (!sized) {
        err << "Lumetra: job file '" << jobPath << "' cannot be read: " << readError << "\n";
        run.status = kBatchStopped;
        return run;
    }
    RunResult& result = *sized;

    // A report folder of its own, so a window working at the same time keeps its report; named
    // with this process, so a later batch can tell a killed one's folder and remove it.
    QTemporaryDir reportDir(
        QDir(QDir::tempPath()).filePath(reportFolderPrefix() + QStringLiteral("XXXXXX")));
    if (!reportDir.isValid()) {
        err << "Lumetra: no folder for the run report: " << reportDir.errorString() << "\n";
        run.status = kBatchStopped;
        return run;
    }
    engine.run(jobPath, reportDir.path(), result);

    QString why;
    const QString report = joinPath(reportDir.path(), kRunReportName);
    // A run stopped before its report existed (a full temporary folder): the stop text says why.
    const bool noReport = result.status == RunStatus::Stopped && !QFileInfo::exists(report);
    if (!reportCopy.isEmpty() && !result.report.isEmpty()) {
        // The run's own report text, as the engine handed it over.
        if (!writeFileAtomically(reportCopy, result.report, &why)) {
            err << "Lumetra: cannot write " << reportCopy << ": " << why << "\n";
            run.status = kBatchWriteFailed;
        }
    } else if (!reportCopy.isEmpty() && result.status != RunStatus::NotRun && !noReport) {
        QFile source(report);
        if (!source.open(QIODevice::ReadOnly)) {
            err << "Lumetra: the run report was not written: " << source.errorString() << "\n";
            run.status = kBatchWriteFailed;
        } else if (!writeFileAtomically(reportCopy, source.readAll(), &why)) {
            err << "Lumetra: cannot write " << reportCopy << ": " << why << "\n";
            run.status = kBatchWriteFailed;
        }
    }

    switch (result.status) {
    case RunStatus::Success:
        break;
    case RunStatus::EstimatorFailure:
        err << "Lumetra: No Plot!  Error calculating a spectrum.\n";
        err << "The end of the run report says why"
            << (reportCopy.isEmpty() ? QStringLiteral(" (write it with --report FILE).\n")
                                     : QStringLiteral(": ") + reportCopy + u'\n');
        run.status = kBatchEstimatorFailure;
        return run;
    case RunStatus::Stopped:
    case RunStatus::NotRun:
        err << "Lumetra: " << result.stopText << "\n";
        run.status = kBatchStopped;
        return run;
    }
    run.input = plot::plotInputFromRun(result, QFileInfo(jobPath).fileName());
    return run;
}

} // namespace

int runBatch(const BatchRequest& request, EngineLibrary& engine,
             const plot::PlotSettingsStore& settings, QTextStream& out, QTextStream& err,
             const BatchSetup& setup) {
    // Outputs that would lose a file are refused before anything runs.
    if (const QString why = refusedOutputs(request); !why.isEmpty()) {
        err << "Lumetra: " << why << "\n";
        return kBatchBadArguments;
    }
    removeStaleReportFolders();
    if (!request.compare.isEmpty())
        return runCompareBatch(request, engine, settings, out, err, setup);
    if (request.modern) return runModernBatch(request, engine, settings, out, err, setup);
    const QStringList jobs = request.jobs.isEmpty() ? QStringList{request.job} : request.jobs;
    // Each job as if it had been run and held in turn: the last one is the live run.
    std::vector<plot::PlotInput> held;
    std::optional<plot::PlotInput> live;
    int status = kBatchOk;
    for (qsizetype k = 0; k < jobs.size(); ++k) {
        const bool last = k + 1 == jobs.size();
        JobRun run = runOneJob(jobs[k], last ? request.report : QString(), engine, err);
        if (!run.input) return run.status;
        status = std::max(status, run.status);
        if (last)
            live = std::move(run.input);
        else
            held.push_back(std::move(*run.input));
    }

    // The options a window of this user would plot with.
    plot::PlotOptions options;
    plot::loadPlotOptions(settings, options);
    for (const char axis : {'X', 'Y'}) {
        const plot::AxisOverride& ov = axis == 'X' ? options.xOverride : options.yOverride;
        const QString refused = ov.enabled ? plot::validateOverride(ov, axis) : QString();
        if (!refused.isEmpty())
            err << "Lumetra: " << refused << " The " << QLatin1Char(axis)
                << " axis was scaled from the data.\n";
    }

    const plot::PlotInput& in = *live;
    const QSize size = request.size.isValid() ? request.size : setup.canvas;
    plot::PlotEnvironment env;
    env.screenPixels = size;
    env.timestamp = setup.timestamp;
    plot::DrawExtras extras;
    extras.held = &held;
    extras.peakMarks = request.marks;
    plot::PlotCanvas canvas(size);
    plot::OutputText text;
    plot::startPlot(canvas, in, options, text, env, nullptr, extras);
    out << text.lines().join(QLatin1Char('\n')) << "\n";

    QString why;
    auto failed = [&](const QString& path) {
        err << "Lumetra: cannot write " << path << ": " << why << "\n";
        status = kBatchWriteFailed;
    };
    if (!request.png.isEmpty() && !plot::saveCanvasImage(canvas.image(), request.png, "png", &why))
        failed(request.png);
    if (!request.svg.isEmpty() &&
        !plot::exportPlotSvg(request.svg, in, options, size, env, &why, extras))
        failed(request.svg);
    if (!request.pdf.isEmpty() &&
        !plot::exportPlotPdf(request.pdf, in, options, size, env, &why, extras))
        failed(request.pdf);
    if (!request.csv.isEmpty() && !writeFileAtomically(request.csv, spectrumCsv(in), &why))
        failed(request.csv);
    return status;
}

int batchMain(const QStringList& arguments, const QString& programDir) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    const auto request = parseBatchArguments(arguments.mid(1), &error);
    if (!request) {
        err << "Lumetra: " << error << "\n";
        return kBatchBadArguments;
    }
    EngineLibrary engine(joinPath(programDir, QStringLiteral("libspecest.so")));
    // The plot settings a window of this user has, from the same place.
    useSettingsStore(programLayout(programDir));
    RegistryStore registry;
    const plot::RegistryPlotStore settings(registry);
    return runBatch(*request, engine, settings, out, err);
}

} // namespace lumetra
