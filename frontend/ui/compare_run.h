// Compare: several methods run on one job's data at the same time, through the engine's
// reentrant in-memory entry (specest_estimate), each with its settings from the job or, where
// the job holds -999 for it, from that method's defaults below. Plain classes; the Compare
// panel and `Lumetra --batch --compare` drive them.
#pragma once

#include "engine_library.h"
#include "job_answers.h"
#include "plot_modern.h"
#include "plot_render.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <specest/specest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

namespace lumetra {

// The most methods one overlay shows: the held curves and the live one.
constexpr int kMaxCompareMethods = plot::kMaxHeldCurves + 1;
// Peaks per method in the peak table.
constexpr int kComparePeaks = 5;

// The job and its data, read once for every method.
struct CompareSetup {
    QString jobPath;
    JobAnswers answers;
    QString dataPath;
    std::vector<float> times;
    std::vector<float> samples; // (re, im) pairs when complex
    int count = 0;
    bool complex = false;
    // The profile the methods run in: the modern view's (density in dB/Hz against Hz, double
    // precision) or the classic one.
    bool modern = false;
};

// Reads the job file and its data file as the engine reads them (32-bit values).
std::optional<CompareSetup> prepareCompare(const QString& jobPath, QString* error);

// The settings of one method on this job: the job's value where the method uses the setting and
// the job holds one, else the method's default. *defaulted lists the settings taken from the
// defaults ("order=10").
// base: the engine's own initialised parameters (so fields of later versions keep the engine's
// defaults, the classic profile among them); zeroes when null.
specest_params compareParams(const CompareSetup& setup, int method, QStringList* defaulted,
                             const specest_params* base = nullptr);
// The settings as the legend and the table show them ("p=10 q=2").
QString settingsText(const specest_params& p);

// Method numbers from short names ("burg,periodogram,mvse"); empty with *error naming the first
// unknown one.
QList<int> methodsFromShortNames(const QString& list, QString* error);

struct CompareResult {
    int method = 0;
    QString name;      // the job form's name
    QString shortName; // "burg"
    specest_params params{};
    QString settings;
    QStringList defaulted;
    bool ran = false; // false: cancelled before it started
    int status = SPECEST_INVALID_ARGUMENT;
    QString message; // why it failed
    std::vector<float> freqs, db;
    std::vector<float> peakFreqs, peakDb; // the report's order
    float sig2 = 0, zeroFill = 0, tStart = 0, tFinal = 0;
    int npts = 0;
    QByteArray report;
    // Modern profile: the engine's double values (freqs and db above hold them narrowed).
    std::vector<double> frequencyHz, densityDb;
    bool ok() const { return ran && status == SPECEST_SUCCESS; }
    // The highest peaks, highest first: (frequency, level).
    std::vector<std::pair<float, float>> topPeaks(int count = kComparePeaks) const;
};

class CompareRunner {
  public:
    explicit CompareRunner(EngineLibrary& engine) : engine_(engine) {}
    // Resolves the in-memory entry points; false with a message when the engine lacks them.
    bool ready(QString* error);
    // Runs every method, up to `threads` at once (0: one per core); once `cancel` is set no
    // further method starts. Results in the order of `methods`.
    // `done`, when given, is called on the worker's thread after each method.
    std::vector<CompareResult> run(const CompareSetup& setup, const QList<int>& methods,
                                   const std::atomic<bool>& cancel, int threads = 0,
                                   const std::function<void(const CompareResult&)>& done = {});

  private:
    EngineLibrary& engine_;
    decltype(&specest_params_init) paramsInit_ = nullptr;
    decltype(&specest_output_init) outputInit_ = nullptr;
    decltype(&specest_capacity) capacity_ = nullptr;
    decltype(&specest_estimate) estimate_ = nullptr;
    decltype(&specest_params_init64) paramsInit64_ = nullptr;
    decltype(&specest_output_init64) outputInit64_ = nullptr;
    decltype(&specest_capacity64) capacity64_ = nullptr;
    decltype(&specest_estimate64) estimate64_ = nullptr;
    void runModern(const CompareSetup& setup, CompareResult& r, char* message, int messageCap);
};

// A job's window name as the modern profile names it (scipy's), as the modern file run maps it.
QString modernWindowName(const QString& jobWindow);
// The sampling frequency of the compare's data from its first and last time, as the modern
// file run takes it; 0 when the times give none.
double compareSamplingRate(const CompareSetup& setup);

// What a compare leaves beside the job: "<job>.<method>.out" per method that ran. False with
// *error on the first file that could not be written.
bool writeCompareReports(const QString& jobPath, const std::vector<CompareResult>& results,
                         QString* error);
// The peak table: "method,rank,frequency,level", one row per method and peak.
QByteArray comparePeaksCsv(const std::vector<CompareResult>& results);
// The overlay: the methods that succeeded, the last as the live curve. Empty when none did.
struct CompareOverlay {
    std::vector<plot::PlotInput> held;
    std::optional<plot::PlotInput> live;
};
CompareOverlay compareOverlay(const CompareSetup& setup, const std::vector<CompareResult>& results);
// The same overlay for the modern view (modern-profile results): held first, live last.
std::vector<plot::ModernCurve> compareModernCurves(const std::vector<CompareResult>& results);
// One line per method for the table's status column: "ok", "cancelled" or the failure.
QString compareStatusText(const CompareResult& r);

} // namespace lumetra
