// Lumetra --batch: one job run without a window, through the same engine call and the same
// plot drawing as the window, written out as PNG, SVG, CSV and a copy of the run report.
#pragma once

#include "engine_library.h"
#include "plot_options.h"
#include "plot_render.h"

#include <QByteArrayList>
#include <QDateTime>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

namespace lumetra {

struct BatchRequest {
    QString job;      // the first job
    QStringList jobs; // all jobs; the last is the live run, the others are drawn under it
    QString png;
    QString svg;
    QString pdf;
    QString csv;    // the last job's spectrum
    QString report; // the last job's run report
    QSize size;     // canvas for the plot; invalid: the default
    int marks = 0;  // peak marks on the plot (--marks N, 1..20); 0: none

    // --compare: the methods' short names, and the file of the peak table
    QString compare;
    QString peaks;

    bool modern = false; // --view modern: the modern profile and the modern view
};

// Jobs one batch plot can overlay: the held curves and the live run.
constexpr int kMaxBatchJobs = plot::kMaxHeldCurves + 1;

// Exit statuses, as specest-run uses them, and one for a bad command line.
enum BatchExit : int {
    kBatchOk = 0,
    kBatchEstimatorFailure = 1, // no spectrum; the run report says why
    kBatchStopped = 2,          // the run stopped or could not be made; the reason is printed
    kBatchWriteFailed = 3,      // an output file could not be written
    kBatchBadArguments = 4,
};

inline const QString kBatchUsageText =
    QStringLiteral("Usage: Lumetra --batch JOB [JOB ...] [--png FILE] [--svg FILE] [--pdf FILE] "
                   "[--csv FILE] [--report FILE] [--size WIDTHxHEIGHT] [--marks N] "
                   "[--view classic|modern] "
                   "[--compare METHOD,... [--peaks FILE.csv]]");

// Canvas sizes --size accepts.
inline const QSize kBatchMinSize{320, 240};
inline const QSize kBatchMaxSize{7680, 4320};
// "1920x1080" as a size within the limits; empty with the reason otherwise.
std::optional<QSize> parseBatchSize(const QString& text, QString* error);

// Whether the command line asks for a batch run (checked before any application object exists).
bool isBatchCommand(int argc, char** argv);
// Qt reads file names as UTF-8 and cannot open one in another encoding: the first argument that
// is not valid UTF-8, as a message saying so, else empty.
QString undecodableArgument(const QByteArrayList& arguments);
// Arguments after the program name. Empty with a message when they do not make a batch run.
std::optional<BatchRequest> parseBatchArguments(const QStringList& arguments, QString* error);

// Outputs named twice, or naming a job or its data file, as a message; empty when none is.
QString refusedOutputs(const BatchRequest& request);

struct BatchSetup {
    QSize canvas{800, 600}; // the plot's canvas, and the screen its text sizes follow
    QDateTime timestamp;    // date and time on the plot; now when invalid
};

// Runs the job and writes the files asked for. Plot options come from `settings`.
int runBatch(const BatchRequest& request, EngineLibrary& engine,
             const plot::PlotSettingsStore& settings, QTextStream& out, QTextStream& err,
             const BatchSetup& setup = {});

// The whole batch command: the engine beside the program, the user's settings store.
int batchMain(const QStringList& arguments, const QString& programDir);

} // namespace lumetra
