#include "job_session.h"

#include "common_files.h"
#include "file_error_policy.h"
#include "job_file_reader.h"
#include "job_file_writer.h"
#include "path_rules.h"

#include <QFile>

namespace lumetra {
namespace {

const QString kFileOldTitle = QStringLiteral("In 'FileOld' routine ...");
const QString kSaveAsTitle = QStringLiteral("In 'FileSaveAs' routine ...");
const QString kExistsTitle = QStringLiteral("In 'FileExists' routine ...");

bool isPseudoName(const QString& name) {
    return name == kStartUpJobName || name == kNewJobName;
}

} // namespace

JobSession::JobSession(JobState& state, UserInteraction& ui, RegistryStore& registry)
    : state_(state), ui_(ui), registry_(registry) {}

void JobSession::getAnswers() {
    state_.dataFileName =
        splitPath(state_.answers.answer(1), state_.currentDir, &state_.dataFileDir);
    if (view_) view_->getAnswers();
}

void JobSession::putAnswers() {
    if (view_) {
        view_->putAnswers();
        return;
    }
    state_.answers.setAnswer(1, state_.dataFileName.isEmpty() ? QString() : state_.dataFilePath());
}

void JobSession::showFilename() {
    if (view_) view_->showFilename();
}

void JobSession::setJobName(const QString& path) {
    state_.jobName = splitPath(path, state_.currentDir, &state_.jobDir);
}

bool JobSession::writeAnswerFile(const QString& name, const QString& directory,
                                 const QString& callerTitle) {
    putAnswers();
    const JobWriteOutcome out =
        writeJobFile(joinPath(directory, name), name, state_.answers, clock());
    if (out.kind == JobWriteOutcome::Written) {
        state_.writeErrors = 0;
        return true;
    }
    ++state_.writeErrors;
    if (out.kind == JobWriteOutcome::FileError) {
        const QString text =
            QStringLiteral("File Path\\FileName error occured: \n    Path = ") + directory +
            QStringLiteral("\n    FileName = ") + name +
            QStringLiteral("\n\nIf these are okay then the error may be do to following:\n"
                           "  Ex*.?? files in Ploxira's User directory are for 'read-only'.\n"
                           "  Do not save changes in these Example files.  Save changes under "
                           "other names.\n");
        ui_.message({text, QStringLiteral("File not saved; Error in 'WriteAnsFile' routine."),
                     MessageIcon::Critical, MessageButtons::Ok});
    } else {
        showUnexpectedError(ui_, callerTitle, out.errorNumber, out.description);
    }
    return false;
}

bool JobSession::loadJob(const QString& name, const QString& directory) {
    const QString path = joinPath(directory, name);
    const ExistsAnswer exists = fileExists(path, ui_, kExistsTitle);
    if (exists == ExistsAnswer::Abandoned) return false;
    if (exists == ExistsAnswer::No) {
        ui_.message({QStringLiteral("Missing '") + name + QStringLiteral("' file?"),
                     QStringLiteral(" File not found."), MessageIcon::Warning, MessageButtons::Ok});
        return false;
    }
    JobAnswers read;
    const JobReadOutcome out = readJobFile(path, read);
    if (!out.ok) {
        showUnexpectedError(ui_, kFileOldTitle, out.errorNumber, out.description);
        return false;
    }
    state_.answers = read;
    getAnswers();
    state_.formChanged = false;
    return true;
}

bool JobSession::offerToSaveChanges(bool changed) {
    putAnswers();
    if (!changed) return false;
    const MessageAnswer a = ui_.message({QStringLiteral("Save current data?"),
                                         QStringLiteral("Data in form has changed!"),
                                         MessageIcon::Question, MessageButtons::YesNoCancel});
    if (a == MessageAnswer::Yes) return !fileSaveAs();
    return a != MessageAnswer::No;
}

void JobSession::fileNew() {
    if (state_.jobName != kNewJobName && offerToSaveChanges(state_.formChanged)) return;
    if (ui_.message({QStringLiteral("Okay to Clear responses?"),
                     QStringLiteral("Confirm 'New' Response."), MessageIcon::Question,
                     MessageButtons::OkCancel}) != MessageAnswer::Ok)
        return;
    state_.answers.clear();
    state_.dataFileName.clear();
    state_.dataFileDir = state_.currentDir;
    state_.jobName = kNewJobName;
    state_.jobDir = state_.currentDir;
    getAnswers();
    showFilename();
    state_.formChanged = false;
    if (view_) view_->focusControl(QStringLiteral("nSkip"));
}

void JobSession::fileOpen() {
    if (state_.jobName != kNewJobName && offerToSaveChanges(state_.formChanged)) return;
    FileDialogRequest request;
    request.title = QStringLiteral("Open Input File");
    request.filter = QStringLiteral("All Files (*.*)|*.*|Input Files (*.?"
                                    "?)|*.?;*.??|"
                                    "Example Input Files (Ex*.?"
                                    "?)|Ex*.?;Ex*.??");
    request.selectedFilter = 2;
    request.initialDir = state_.dialogDir;
    const QString chosen = ui_.openFileName(request);
    if (chosen.isEmpty()) return;
    setJobName(chosen);
    state_.currentDir = state_.jobDir;
    saveLastFilePath(registry_, state_.jobDir);
    state_.dialogDir = state_.jobDir;
    loadJob(state_.jobName, state_.jobDir);
    showFilename();
    state_.writeErrors = 0;
    if (view_) view_->setSubmitEnabled(true);
}

void JobSession::fileSave() {
    state_.writeErrors = 0;
    const ExistsAnswer exists = isPseudoName(state_.jobName)
                                    ? ExistsAnswer::No
                                    : fileExists(state_.jobPath(), ui_, kExistsTitle);
    if (exists == ExistsAnswer::Abandoned) return;
    if (exists == ExistsAnswer::No) {
        fileSaveAs();
        return;
    }
    putAnswers();
    if (writeAnswerFile(state_.jobName, state_.jobDir, QStringLiteral("In 'FileSave' routine ...")))
        state_.formChanged = false;
    state_.writeErrors = 0;
}

bool JobSession::fileSaveAs() {
    state_.writeErrors = 0;
    FileDialogRequest request;
    request.title = QStringLiteral("Save Input File As ...");
    request.filter = QStringLiteral("All Files (*.*)|*.*|Text Files (*.txt)|*.txt");
    request.selectedFilter = 1;
    request.initialDir = state_.dialogDir;
    request.suggestedName = suggestedSaveAsName(state_.jobName);
    const QString chosen = ui_.saveFileName(request);
    if (chosen.isEmpty()) return false;

    const ExistsAnswer exists = fileExists(chosen, ui_, kExistsTitle);
    if (exists == ExistsAnswer::Abandoned) return false;
    if (exists == ExistsAnswer::Yes &&
        ui_.message({QStringLiteral("File exists, want to replace it?"),
                     QStringLiteral("Replace ") + chosen.toLower() + QStringLiteral(" file?"),
                     MessageIcon::Question, MessageButtons::YesNo}) != MessageAnswer::Yes)
        return false;

    setJobName(chosen);
    state_.currentDir = state_.jobDir;
    state_.dialogDir = state_.jobDir;
    putAnswers();
    // The form stays marked as changed when its content did not reach the file.
    if (writeAnswerFile(state_.jobName, state_.jobDir, kSaveAsTitle)) state_.formChanged = false;
    showFilename();
    if (state_.writeErrors < 1) return true;
    --state_.writeErrors;
    return false;
}

void JobSession::fileDelete() {
    FileDialogRequest request;
    request.title = QStringLiteral("Select File to be Deleted");
    request.filter = QStringLiteral("All Files (*.*)|*.*");
    request.initialDir = state_.dialogDir;
    request.suggestedName = QStringLiteral("*.*");
    const QString chosen = ui_.openFileName(request);
    if (chosen.isEmpty()) return;
    QString dir;
    splitPath(chosen, state_.currentDir, &dir);
    state_.dialogDir = dir;
    if (fileExists(chosen, ui_, kExistsTitle) != ExistsAnswer::Yes) return;
    if (ui_.message({QStringLiteral("Delete '") + chosen + QStringLiteral("' File."),
                     QStringLiteral("Confirm Delete?"), MessageIcon::Question,
                     MessageButtons::YesNo}) != MessageAnswer::Yes)
        return;
    QFile file(chosen);
    if (!file.remove())
        showUnexpectedError(ui_, QStringLiteral("In 'FileDelete' routine ..."), 75,
                            file.errorString());
}

} // namespace lumetra
