// The engine library, loaded by name the first time a run needs it.
#pragma once

#include "run_result.h"

#include <QLibrary>
#include <QMutex>
#include <QString>

#include <specest/specest.h>
#include <vector>

namespace lumetra {

// A job run in the engine's modern profile: the density in dB/Hz against frequency in Hz.
struct ModernRun {
    RunStatus status = RunStatus::NotRun;
    QString stopText;
    QString jobPath;
    QString report; // the run's report text (the modern run writes no file)
    int method = 0; // 1..14
    int npts = 0;
    std::vector<double> frequencyHz;    // the engine's float values, widened
    std::vector<double> densityDb;      // 10 log10 of the density
    std::vector<double> peakHz, peakDb; // most prominent first
};

class EngineLibrary {
  public:
    // libspecest.so next to the executable unless set otherwise; when that file is absent,
    // libspecest.so.1 in the library folder of the prefix the program is installed in.
    explicit EngineLibrary(const QString& path = QString());
    ~EngineLibrary();

    QString path() const { return path_; }
    void setPath(const QString& path);

    // Loads the library and resolves specest_run; false with a message when either fails.
    bool load(QString* message);

    // One run of the job at jobPath with the run report in reportDir; fills result (whose arrays
    // must already be sized). Safe to call off the user-interface thread; one run at a time.
    void run(const QString& jobPath, const QString& reportDir, RunResult& result);

    // The job at jobPath through specest_run_file with the modern-profile flag; one run at a
    // time with the file runs, safe off the user-interface thread.
    ModernRun runModern(const QString& jobPath);

    // Another entry point of the engine (the reentrant in-memory ones), loading the library when
    // needed; nullptr with a message when the library or the name is missing.
    QFunctionPointer resolve(const char* name, QString* message);

  private:
    using RunFunction = int32_t (*)(const char*, int32_t, const char*, int32_t, float*, float*,
                                    int32_t*, int32_t*, float*, float*, float*, float*, char*,
                                    int32_t);
    using OutputInit = void (*)(specest_output*);
    using RunFileFunction = int32_t (*)(const char*, const char*, int32_t, specest_output*);
    void runFile(const QByteArray& job, const QByteArray& dir, RunResult& result);
    QString path_;
    QLibrary library_;
    RunFunction run_ = nullptr;
    // The run with its own report text, when the library has it (the classic specest_run
    // otherwise).
    OutputInit outputInit_ = nullptr;
    RunFileFunction runFile_ = nullptr;
    QMutex mutex_;
};

} // namespace lumetra
