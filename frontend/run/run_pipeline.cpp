#include "run_pipeline.h"

#include "atomic_write.h"
#include "common_files.h"
#include "file_error_policy.h"
#include "job_run.h"
#include "method_table.h"
#include "path_rules.h"

#include <QFile>
#include <QFileInfo>

namespace lumetra {
namespace {

const QString kExistsTitle = QStringLiteral("In 'FileExists' routine ...");
const QString kRunEngineTitle = QStringLiteral("In 'RunEngine' routine ...");
const QString kDecompositionFailed = QStringLiteral("Decomposition failed.");
} // namespace

QString estimatorFailureReason(const QString& reportText) {
    const QStringList lines = reportText.split(u'\n');
    // The engine ends its reason with "... causing [premature] termination", on one line or
    // continued from the line before.
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        const QString line = lines.at(i).simplified();
        if (!line.contains(QStringLiteral("termination"), Qt::CaseInsensitive)) continue;
        QString reason = line;
        const bool continued = !line.isEmpty() && (line.at(0).isLower() ||
                                                   line.startsWith(QStringLiteral("EPS causing")));
        if (continued && i > 0) reason = lines.at(i - 1).simplified() + u' ' + line;
        return reason;
    }
    return QString();
}

RunPipeline::RunPipeline(JobSession& session, EngineLibrary& engine, QObject* parent)
    : QObject(parent), session_(session), engine_(engine) {}

RunPipeline::~RunPipeline() {
    waitForRun();
}

void RunPipeline::waitForRun() {
    if (thread_) thread_->wait();
}

void RunPipeline::fileRun(RunSource source, const QString& demoName) {
    if (running_) return; // the engine is not reentrant
    JobState& s = session_.state();
    FormView* view = session_.view();
    UserInteraction& ui = session_.ui();
    const bool demo = source == RunSource::Demo;

    if (!demo) {
        session_.putAnswers();
        const record::MethodInfo* method =
            methodByFormName(s.answers.answer(record::question(record::Field::method)));
        if (!method) {
            ui.message({QStringLiteral("Please Select a 'Method' before making a run."),
                        kDefaultTitle, MessageIcon::Warning, MessageButtons::Ok});
            if (view) {
                view->focusControl(QStringLiteral("Methods"));
                view->setRunControls(false);
            }
            return;
        }
        if (method->real_only &&
            s.answers.answer(record::question(record::Field::data_type)) == u"Complex") {
            ui.message({QStringLiteral("Akaike and RMLE methods -require- real data!"),
                        QStringLiteral("Please change 'data type' to Real  or change Method."),
                        MessageIcon::Warning, MessageButtons::Ok});
            if (view) {
                view->focusControl(QStringLiteral("optReal"));
                view->setRunControls(false);
            }
            return;
        }
        if (!session_.checkAnswers()) {
            if (view) view->setRunControls(false);
            return;
        }
        const QString path = s.jobPath();
        const ExistsAnswer exists = fileExists(path, ui, kExistsTitle);
        if (exists == ExistsAnswer::Abandoned) {
            if (view) view->setRunControls(false);
            return;
        }
        if (exists == ExistsAnswer::Yes) {
            // Cancel means the user did not want the run now.
            if (session_.offerToSaveChanges(s.formChanged)) {
                if (view) view->setRunControls(false);
                return;
            }
            runEngine();
            return;
        }
        if (ui.message({QStringLiteral("Okay to save '") + path + QStringLiteral("' now?"),
                        QStringLiteral("Input -not- saved!"), MessageIcon::Question,
                        MessageButtons::OkCancel}) != MessageAnswer::Ok) {
            if (view) view->setRunControls(false);
            return;
        }
        const QString oldName = s.jobName;
        if (s.jobName == kStartUpJobName) s.jobName = QStringLiteral("*.*");
        if (!session_.fileSaveAs()) {
            if (s.jobName == u"*.*") s.jobName = oldName;
            if (view) view->setRunControls(false);
            return;
        }
    } else {
        // The examples are in the working folder; the job becomes the example only once read.
        JobAnswers read;
        if (!session_.readJob(joinPath(s.userDir, demoName), read)) {
            if (view) view->setRunControls(false);
            return;
        }
        s.jobName = demoName;
        s.jobDir = s.userDir;
        s.answers = read;
        session_.getAnswers();
        s.formChanged = false;
        session_.showFilename();
    }

    if (s.writeErrors < 1 && commonPart(demo)) return;
    s.writeErrors = 0;
    if (view) view->setRunControls(false);
}

bool RunPipeline::commonPart(bool demo) {
    JobState& s = session_.state();
    FormView* view = session_.view();
    UserInteraction& ui = session_.ui();
    const QString path = s.jobPath();
    const ExistsAnswer exists = fileExists(path, ui, kExistsTitle);
    if (exists == ExistsAnswer::Abandoned) return false;
    if (exists == ExistsAnswer::Yes && !s.formChanged) {
        if (!demo) {
            const QString data = s.dataFilePath();
            const ExistsAnswer dataExists = fileExists(data, ui, kExistsTitle);
            if (dataExists == ExistsAnswer::Abandoned) return false;
            if (dataExists == ExistsAnswer::No) {
                ui.message({QStringLiteral("==> Error!! <== Data file not found!!\nData file = ") +
                                data + u'\n',
                            QStringLiteral("In 'FileRun' routine ..."), MessageIcon::Critical,
                            MessageButtons::Ok});
                if (view) {
                    view->showPage(0);
                    view->focusControl(QStringLiteral("timeData"));
                }
                return false;
            }
            // Rewritten so the file carries the rounded point count and the markers; a
            // protected file runs as it stands.
            session_.writeAnswerFile(s.jobName, s.jobDir,
                                     QStringLiteral("In 'FileRun' routine ..."));
        }
        runEngine();
        return true;
    }
    if (ui.message({QStringLiteral("Please save file and re-run."),
                    u'\'' + path + QStringLiteral("' is non-existent!"), MessageIcon::None,
                    MessageButtons::YesNo}) == MessageAnswer::Yes)
        session_.fileSave();
    if (view) {
        view->setPageEnabled(0, true);
        view->setPageEnabled(1, false);
        view->setPageEnabled(2, false);
        view->showPage(0);
    }
    return false;
}

void RunPipeline::runEngine() {
    JobState& s = session_.state();
    FormView* view = session_.view();
    const QString path = s.jobPath();

    QString error;
    std::optional<RunResult> sized = sizedResultFor(path, &error);
    if (!sized) {
        showUnexpectedError(session_.ui(), kRunEngineTitle, 53, error, path);
        if (view) view->setRunControls(false);
        return;
    }
    result_ = std::move(*sized);

    runJobName_ = s.jobName;
    runJobDir_ = s.jobDir;
    running_ = true;
    if (view) view->setRunBusy(true, result_.method);
    emit runStarted();

    const QString reportDir = s.userDir;
    result_.modern = modern_;
    QThread* thread = QThread::create([this, path, reportDir] {
        if (!result_.modern) {
            engine_.run(path, reportDir, result_);
            return;
        }
        modernRun_ = engine_.runModern(path);
        result_.status = modernRun_.status;
        result_.stopText = modernRun_.stopText;
        result_.report = modernRun_.report.toUtf8();
        // The modern run writes no report file: its text goes where a run's report goes, so
        // Last Output, the failure messages and the copy beside the job show it.
        // An empty one (the engine gave none) leaves the last report as it was.
        if (modernRun_.status != RunStatus::NotRun && !modernRun_.report.isEmpty())
            writeFileAtomically(joinPath(reportDir, kRunReportName), modernRun_.report.toUtf8());
    });
    thread_ = thread;
    connect(thread, &QThread::finished, this, &RunPipeline::engineDone);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

void RunPipeline::engineDone() {
    running_ = false;
    FormView* view = session_.view();
    UserInteraction& ui = session_.ui();
    if (view) view->setRunBusy(false, result_.method);

    // A modern run without a report text has nothing to copy (the file is an earlier run's).
    if (result_.status != RunStatus::NotRun && !(result_.modern && result_.report.isEmpty()))
        copyRunReport(runJobName_, runJobDir_);

    switch (result_.status) {
    case RunStatus::Success:
        if (view) view->startPlot(result_);
        break;
    case RunStatus::EstimatorFailure: {
        // The title says what the report says; the report opens where it says it.
        // The run's own report; the file only from an engine that cannot hand it over.
        QFile report(joinPath(session_.state().userDir, kRunReportName));
        const QString reason =
            !result_.report.isEmpty()
                ? estimatorFailureReason(QString::fromLocal8Bit(result_.report))
            : report.open(QIODevice::ReadOnly)
                ? estimatorFailureReason(QString::fromLocal8Bit(report.readAll()))
                : QString();
        if (ui.message({QStringLiteral("No Plot!  Error calculating a spectrum.\nView bottom of "
                                       "'~Lumetra.out' file for more details."),
                        reason.isEmpty() ? kDecompositionFailed : reason, MessageIcon::Warning,
                        MessageButtons::OkCancel}) == MessageAnswer::Ok)
            viewUserFile(kRunReportName, true);
        break;
    }
    case RunStatus::Stopped:
        if (ui.message({result_.stopText + QStringLiteral("\nView bottom of '~Lumetra.out' file "
                                                          "for more details."),
                        QStringLiteral("Calculation stopped."), MessageIcon::Warning,
                        MessageButtons::OkCancel}) == MessageAnswer::Ok)
            viewUserFile(kRunReportName, true);
        break;
    case RunStatus::NotRun:
        ui.message({result_.stopText, kRunEngineTitle, MessageIcon::Critical, MessageButtons::Ok});
        break;
    }
    if (view && result_.status != RunStatus::Success) view->setRunControls(false);
    emit runFinished();
}

void RunPipeline::copyRunReport(const QString& name, const QString& directory) {
    const JobState& s = session_.state();
    const QString target = runReportCopyPath(name, directory, s.currentDir);
    // The run's own text: another run may have replaced ~Lumetra.out meanwhile.
    if (!result_.report.isEmpty()) {
        QString why;
        if (!writeFileAtomically(target, result_.report, &why))
            session_.ui().message(
                {QStringLiteral("Cannot write ") + target + QStringLiteral(": ") + why,
                 kRunEngineTitle, MessageIcon::Warning, MessageButtons::Ok});
        return;
    }
    const QString source = joinPath(s.userDir, kRunReportName);
    copyFile(source, target, session_.ui());
}

void RunPipeline::viewUserFile(const QString& name, bool atEnd) {
    const QString path = shortPathName(joinPath(session_.state().userDir, name));
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        if (atEnd)
            session_.ui().viewFileAtEnd(path);
        else
            session_.ui().viewFile(path);
        return;
    }
    if (name == kRunReportName)
        session_.ui().message(
            {QStringLiteral("Try a 'Calculate' command then retry this View option."),
             QStringLiteral("'~Lumetra.out' output file not found."), MessageIcon::Warning,
             MessageButtons::Ok});
    else
        session_.ui().message({QStringLiteral("File not found. Check your equation and re-try."),
                               u'\'' + name + QStringLiteral("' file not found."),
                               MessageIcon::Warning, MessageButtons::Ok});
}

} // namespace lumetra
