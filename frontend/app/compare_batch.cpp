#include "compare_batch.h"

#include "atomic_write.h"
#include "compare_run.h"
#include "plot_modern_output.h"
#include "plot_output.h"

#include <QFileInfo>
#include <QTextStream>

namespace lumetra {

int runCompareBatch(const BatchRequest& request, EngineLibrary& engine,
                    const plot::PlotSettingsStore& settings, QTextStream& out, QTextStream& err,
                    const BatchSetup& setup) {
    QString error;
    if (request.jobs.size() > 1 || !request.csv.isEmpty() || !request.report.isEmpty()) {
        err << "Lumetra: '--compare' runs one job and writes a report per method beside it; "
               "it takes no second job, '--csv' or '--report'.\n"
            << kBatchUsageText << "\n";
        return kBatchBadArguments;
    }
    const QList<int> methods = methodsFromShortNames(request.compare, &error);
    if (methods.isEmpty()) {
        err << "Lumetra: --compare: " << error << "\n";
        return kBatchBadArguments;
    }
    auto prepared = prepareCompare(request.job, &error);
    if (!prepared) {
        err << "Lumetra: " << error << "\n";
        return kBatchStopped;
    }
    prepared->modern = request.modern;
    CompareRunner runner(engine);
    if (!runner.ready(&error)) {
        err << "Lumetra: " << error << "\n";
        return kBatchStopped;
    }
    const std::atomic<bool> cancel{false};
    const std::vector<CompareResult> results = runner.run(*prepared, methods, cancel);
    int status = kBatchOk;
    if (!writeCompareReports(prepared->jobPath, results, &error)) {
        err << "Lumetra: " << error << "\n";
        status = kBatchWriteFailed;
    }
    for (const CompareResult& r : results) {
        out << r.shortName << " (" << r.settings << "): " << compareStatusText(r) << "\n";
        int rank = 0;
        for (const auto& [f, level] : r.topPeaks())
            out << "  " << ++rank << "  " << QString::number(f, 'g', 7) << "  "
                << QString::number(level, 'f', 2) << "\n";
        if (!r.ok()) status = std::max(status, static_cast<int>(kBatchEstimatorFailure));
    }
    const CompareOverlay overlay = compareOverlay(*prepared, results);
    if (!overlay.live) {
        err << "Lumetra: no method gave a spectrum.\n";
        return kBatchEstimatorFailure;
    }
    plot::PlotOptions options;
    plot::loadPlotOptions(settings, options);
    const QSize size = request.size.isValid() ? request.size : setup.canvas;
    QString why;
    if (request.modern) {
        std::vector<plot::ModernCurve> curves = compareModernCurves(results);
        const plot::ModernCurve live = curves.back();
        curves.pop_back();
        const QString header =
            QStringLiteral("Compare of %1 methods \u00b7 %2 \u00b7 modern profile")
                .arg(curves.size() + 1)
                .arg(QFileInfo(prepared->jobPath).fileName());
        for (const QString& path : {request.png, request.svg, request.pdf})
            if (!path.isEmpty() && !plot::saveModernPlot(path, size, live, curves, header,
                                                         options.penColor(plot::Curve1), &why)) {
                err << "Lumetra: cannot write " << path << ": " << why << "\n";
                status = kBatchWriteFailed;
            }
        if (!request.peaks.isEmpty() &&
            !writeFileAtomically(request.peaks, comparePeaksCsv(results), &why)) {
            err << "Lumetra: cannot write " << request.peaks << ": " << why << "\n";
            status = kBatchWriteFailed;
        }
        return status;
    }
    plot::PlotEnvironment env;
    env.screenPixels = size;
    env.timestamp = setup.timestamp;
    plot::DrawExtras extras;
    extras.held = &overlay.held;
    auto failed = [&](const QString& path) {
        err << "Lumetra: cannot write " << path << ": " << why << "\n";
        status = kBatchWriteFailed;
    };
    if (!request.png.isEmpty()) {
        const QImage image =
            plot::renderPlotImage(*overlay.live, options, size, env, nullptr, extras);
        if (!plot::saveCanvasImage(image, request.png, "png", &why)) failed(request.png);
    }
    if (!request.svg.isEmpty() &&
        !plot::exportPlotSvg(request.svg, *overlay.live, options, size, env, &why, extras))
        failed(request.svg);
    if (!request.pdf.isEmpty() &&
        !plot::exportPlotPdf(request.pdf, *overlay.live, options, size, env, &why, extras))
        failed(request.pdf);
    if (!request.peaks.isEmpty() &&
        !writeFileAtomically(request.peaks, comparePeaksCsv(results), &why))
        failed(request.peaks);
    return status;
}

} // namespace lumetra
