#include "job_session.h"

#include "common_files.h"
#include "field_validation.h"
#include "file_error_policy.h"
#include "job_file_reader.h"
#include "job_file_writer.h"
#include "method_table.h"
#include "path_rules.h"
#include "recent_jobs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace lumetra {
namespace {

const QString kFileOldTitle = QStringLiteral("In 'FileOld' routine ...");
const QString kSaveAsTitle = QStringLiteral("In 'FileSaveAs' routine ...");
const QString kExistsTitle = QStringLiteral("In 'FileExists' routine ...");

bool isPseudoName(const QString& name) {
    return name == kStartUpJobName || name == kNewJobName;
}

bool hasWildcard(const QString& name) {
    return name.contains(u'*') || name.contains(u'?');
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
    // Line 2 names the same data file from the job's new folder as it did before.
    const QString data = state_.answers.answer(1);
    if (!data.trimmed().isEmpty())
        state_.answers.setAnswer(1, dataReferenceFor(data, directory, QDir::currentPath()));
    const JobWriteOutcome out =
        writeJobFile(joinPath(directory, name), name, state_.answers, clock());
    state_.answers.setAnswer(1, data);
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
                           "  Ex*.?? files in Lumetra's User directory are for 'read-only'.\n"
                           "  Do not save changes in these Example files.  Save changes under "
                           "other names.\n") +
            (out.description.isEmpty() ? QString()
                                       : QStringLiteral("\nReason: ") + out.description);
        ui_.message({text, QStringLiteral("File not saved; Error in 'WriteAnsFile' routine."),
                     MessageIcon::Critical, MessageButtons::Ok});
    } else {
        showUnexpectedError(ui_, callerTitle, out.errorNumber, out.description);
    }
    return false;
}

bool JobSession::readJob(const QString& path, JobAnswers& out) {
    const auto cannotRead = [&](const QString& reason) {
        ui_.message({QStringLiteral("The job file could not be read:\n    ") + path +
                         QStringLiteral("\n\nReason: ") + reason,
                     QStringLiteral("File not opened"), MessageIcon::Critical, MessageButtons::Ok});
        return false;
    };
    // A folder is the reader's to refuse; anything else must be there.
    if (!QFileInfo(path).isDir()) {
        const ExistsAnswer exists = fileExists(path, ui_, kExistsTitle);
        if (exists == ExistsAnswer::Abandoned) return false;
        if (exists == ExistsAnswer::No) {
            ui_.message({QStringLiteral("Missing '") + path + QStringLiteral("' file?"),
                         QStringLiteral(" File not found."), MessageIcon::Warning,
                         MessageButtons::Ok});
            return false;
        }
    }
    if (!readValues) return cannotRead(QStringLiteral("no job reader is available"));
    // The engine's reader decides what a job is: a folder, a picture, a data file, a short or
    // empty file, an unknown method or a number that does not parse is refused, with its line.
    QString why;
    const std::optional<QStringList> values = readValues(path, &why);
    if (!values) return cannotRead(why);
    // The run's reader leaves an unknown method to the driver; a form has to know it now.
    const int methodLine = record::line(record::Field::method);
    const QByteArray method = values->value(methodLine - 1).toLatin1();
    if (record::match_method(std::string_view(method.constData(), method.size())) == 0)
        return cannotRead(QStringLiteral("Job file %1, line %2: the method \"%3\" is none of the "
                                         "fourteen (its first two letters name it, as in "
                                         "\"Burg\" or \"Periodogram\")")
                              .arg(path)
                              .arg(methodLine)
                              .arg(QString::fromLatin1(method.left(80))));
    JobAnswers read;
    QString reference;
    answersFromJobValues(*values, read, &reference);
    // The data file the engine will read for this job: the form holds it with its folder.
    if (!reference.trimmed().isEmpty())
        read.setAnswer(1, resolveDataReference(reference, QFileInfo(path).absolutePath(),
                                               QDir::currentPath()));
    out = read;
    return true;
}

bool JobSession::loadJob(const QString& name, const QString& directory) {
    JobAnswers read;
    if (!readJob(joinPath(directory, name), read)) return false;
    state_.answers = read;
    getAnswers();
    state_.formChanged = false;
    return true;
}

bool JobSession::openJob(const QString& path) {
    QString dir;
    const QString name = splitPath(path, state_.currentDir, &dir);
    JobAnswers read;
    if (!readJob(joinPath(dir, name), read)) return false;
    state_.jobName = name;
    state_.jobDir = dir;
    state_.currentDir = dir;
    saveLastFilePath(registry_, dir);
    state_.dialogDir = dir;
    state_.answers = read;
    getAnswers();
    state_.formChanged = false;
    showFilename();
    state_.writeErrors = 0;
    rememberJob(joinPath(dir, name));
    if (view_) view_->setSubmitEnabled(true);
    return true;
}

bool JobSession::checkAnswers() {
    putAnswers();
    const std::optional<FieldProblem> problem = lumetra::checkAnswers(state_.answers);
    if (!problem) return true;
    ui_.message({problem->text, kFieldProblemTitle, MessageIcon::Warning, MessageButtons::Ok});
    if (view_) {
        view_->showPage(0);
        view_->focusControl(problem->control);
    }
    return false;
}

void JobSession::rememberJob(const QString& path) {
    saveRecentJobs(registry_, withRecentJob(recentJobs(registry_), path));
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
    request.filter = kOpenJobFilter;
    request.selectedFilter = 2;
    request.initialDir = state_.dialogDir;
    const QString chosen = ui_.openFileName(request);
    if (chosen.isEmpty()) return;
    openJob(chosen);
}

void JobSession::fileSave() {
    state_.writeErrors = 0;
    if (!checkAnswers()) return;
    const ExistsAnswer exists = isPseudoName(state_.jobName)
                                    ? ExistsAnswer::No
                                    : fileExists(state_.jobPath(), ui_, kExistsTitle);
    if (exists == ExistsAnswer::Abandoned) return;
    if (exists == ExistsAnswer::No) {
        fileSaveAs();
        return;
    }
    putAnswers();
    if (writeAnswerFile(state_.jobName, state_.jobDir,
                        QStringLiteral("In 'FileSave' routine ..."))) {
        state_.formChanged = false;
        rememberJob(state_.jobPath());
    }
    state_.writeErrors = 0;
}

bool JobSession::fileSaveAs() {
    state_.writeErrors = 0;
    if (!checkAnswers()) return false;
    FileDialogRequest request;
    request.title = QStringLiteral("Save Input File As ...");
    request.filter = QStringLiteral("All Files (*.*)|*.*|Text Files (*.txt)|*.txt");
    request.selectedFilter = 1;
    request.initialDir = state_.dialogDir;
    request.suggestedName = suggestedSaveAsName(state_.jobName);
    const QString chosen = ui_.saveFileName(request);
    if (chosen.isEmpty()) return false;
    const QString chosenName = fileNamePart(chosen);
    if (hasWildcard(chosenName) || chosenName.trimmed().isEmpty()) {
        ui_.message({QStringLiteral("'") + chosenName +
                         QStringLiteral("' is not a file name: a name may not contain '*' or "
                                        "'?'. Please choose another name."),
                     QStringLiteral("File not saved"), MessageIcon::Warning, MessageButtons::Ok});
        return false;
    }

    const ExistsAnswer exists = fileExists(chosen, ui_, kExistsTitle);
    if (exists == ExistsAnswer::Abandoned) return false;
    if (exists == ExistsAnswer::Yes &&
        ui_.message({QStringLiteral("File exists, want to replace it?"),
                     QStringLiteral("Replace ") + chosen + QStringLiteral(" file?"),
                     MessageIcon::Question, MessageButtons::YesNo}) != MessageAnswer::Yes)
        return false;

    QString dir;
    const QString name = splitPath(chosen, state_.currentDir, &dir);
    state_.dialogDir = dir;
    putAnswers();
    // The job becomes the chosen file only once it has been written there.
    if (!writeAnswerFile(name, dir, kSaveAsTitle)) {
        if (state_.writeErrors > 0) --state_.writeErrors;
        return false;
    }
    state_.jobName = name;
    state_.jobDir = dir;
    state_.currentDir = dir;
    state_.formChanged = false;
    rememberJob(joinPath(dir, name));
    showFilename();
    return true;
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
                            file.errorString(), chosen);
}

} // namespace lumetra
