#include "modern_batch.h"

#include "atomic_write.h"
#include "plot_from_run.h"
#include "plot_modern_output.h"

#include <QFileInfo>
#include <QTextStream>

#include <charconv>

namespace lumetra {
namespace {

QByteArray number(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QByteArray(buf, static_cast<qsizetype>(r.ptr - buf));
}

} // namespace

int runModernBatch(const BatchRequest& request, EngineLibrary& engine,
                   const plot::PlotSettingsStore& settings, QTextStream& out, QTextStream& err,
                   const BatchSetup& setup) {
    const QStringList jobs = request.jobs.isEmpty() ? QStringList{request.job} : request.jobs;
    std::vector<plot::ModernCurve> held;
    plot::ModernCurve live;
    QString header, report;
    plot::ModernPeaks peaks;
    peaks.count = request.marks;
    for (qsizetype k = 0; k < jobs.size(); ++k) {
        const QString jobPath = QFileInfo(jobs[k]).absoluteFilePath();
        if (!QFileInfo(jobPath).isFile()) {
            err << "Lumetra: job file '" << jobPath << "' not found.\n";
            return kBatchStopped;
        }
        const ModernRun run = engine.runModern(jobPath);
        if (run.status != RunStatus::Success) {
            err << "Lumetra: " << jobPath << " (modern profile): "
                << (run.stopText.isEmpty() ? QStringLiteral("No Plot!  Error calculating a "
                                                            "spectrum.")
                                           : run.stopText)
                << "\n";
            return run.status == RunStatus::EstimatorFailure ? kBatchEstimatorFailure
                                                             : kBatchStopped;
        }
        const QString name = QFileInfo(jobPath).fileName();
        plot::ModernCurve curve = plot::modernCurveFromRun(run, name);
        if (k + 1 < jobs.size()) {
            held.push_back(std::move(curve));
            continue;
        }
        live = std::move(curve);
        header = plot::modernHeader(run, name);
        report = run.report;
        peaks.hz = run.peakHz;
        peaks.db = run.peakDb;
    }
    out << header << "\n";

    plot::PlotOptions options;
    plot::loadPlotOptions(settings, options);
    const QColor curve1 = options.penColor(plot::Curve1);
    const QSize size = request.size.isValid() ? request.size : setup.canvas;
    int status = kBatchOk;
    QString why;
    for (const QString& path : {request.png, request.svg, request.pdf}) {
        if (path.isEmpty()) continue;
        if (!plot::saveModernPlot(path, size, live, held, header, curve1, &why, peaks)) {
            err << "Lumetra: cannot write " << path << ": " << why << "\n";
            status = kBatchWriteFailed;
        }
    }
    if (!request.csv.isEmpty()) {
        QByteArray csv = "frequency_Hz,psd_dB_per_Hz\n";
        for (std::size_t i = 0; i < live.frequencyHz.size(); ++i)
            csv += number(live.frequencyHz[i]) + ',' + number(live.densityDb[i]) + '\n';
        if (!writeFileAtomically(request.csv, csv, &why)) {
            err << "Lumetra: cannot write " << request.csv << ": " << why << "\n";
            status = kBatchWriteFailed;
        }
    }
    if (!request.report.isEmpty() && report.isEmpty())
        err << "Lumetra: the engine's modern run gave no report text; " << request.report
            << " was not written.\n";
    else if (!request.report.isEmpty() &&
             !writeFileAtomically(request.report, report.toUtf8(), &why)) {
        err << "Lumetra: cannot write " << request.report << ": " << why << "\n";
        status = kBatchWriteFailed;
    }
    return status;
}

} // namespace lumetra
