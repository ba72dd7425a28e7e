// A run: checks the job, makes sure the file on disk is the one to run, calls the engine off
// the user-interface thread, copies the run report and hands the result on.
#pragma once

#include "engine_library.h"
#include "job_session.h"
#include "run_result.h"

#include <QObject>
#include <QPointer>
#include <QThread>

namespace lumetra {

// What a run report says about an estimator's failure (the reason lines the engine writes,
// joined into one line); empty when it names none.
QString estimatorFailureReason(const QString& reportText);

// Where a run comes from: the job on the form, or an example of the Demos page run as stored.
enum class RunSource { Form, Demo };

class RunPipeline : public QObject {
    Q_OBJECT
  public:
    RunPipeline(JobSession& session, EngineLibrary& engine, QObject* parent = nullptr);
    ~RunPipeline() override;

    bool isRunning() const { return running_; }
    const RunResult& lastResult() const { return result_; }
    // Runs in the modern profile (the modern view) or the classic one (the default).
    void setModern(bool on) { modern_ = on; }
    bool modern() const { return modern_; }
    // The last modern run's curve and report (valid when lastResult().modern).
    const ModernRun& lastModern() const { return modernRun_; }

    // demoName: the example a demo run reads (the job changes to it only once it was read).
    void fileRun(RunSource source = RunSource::Form, const QString& demoName = QString());
    void copyRunReport(const QString& name, const QString& directory);
    void viewUserFile(const QString& name, bool atEnd = false);
    void waitForRun(); // blocks until a run in progress has ended

  signals:
    void runStarted();
    void runFinished();

  private:
    void runEngine();
    void engineDone();
    bool commonPart(bool demo);

    JobSession& session_;
    EngineLibrary& engine_;
    RunResult result_;
    ModernRun modernRun_;
    bool modern_ = false;
    bool running_ = false;
    QPointer<QThread> thread_;
    QString runJobName_;
    QString runJobDir_;
};

} // namespace lumetra
