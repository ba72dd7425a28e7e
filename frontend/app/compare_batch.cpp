#include "compare_batch.h"

#include "atomic_write.h"
#include "compare_run.h"
#include "plot_output.h"

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
    const auto prepared = prepareCompare(request.job, &error);
    if (!prepared) {
        err << "Lumetra: " << error << "\n";
        return kBatchStopped;
    }
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
    plot::PlotEnvironment env;
    env.screenPixels = size;
    env.timestamp = setup.timestamp;
    plot::DrawExtras extras;
    extras.held = &overlay.held;
    QString why;
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
