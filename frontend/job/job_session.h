// The File menu commands on the current job: New, Open, Save, Save As, Delete, and the offer
// to save a changed form.
#pragma once

#include "form_view.h"
#include "job_file_reader.h"
#include "job_state.h"
#include "registry_store.h"
#include "user_interaction.h"

#include <QDateTime>
#include <functional>

namespace lumetra {

// File > Open: every job (a name with an extension of any length: Ex-Auto.0, Ex-0-pad.128,
// Ex-0-pad.8k), the examples, all files. The second is chosen first.
inline const QString kOpenJobFilter =
    QStringLiteral("All Files (*.*)|*.*|Job Files (*.*)|*.?*|Example Jobs (Ex*.*)|Ex*.?*");

class JobSession {
  public:
    JobSession(JobState& state, UserInteraction& ui, RegistryStore& registry);

    void setView(FormView* view) { view_ = view; }
    FormView* view() const { return view_; }
    JobState& state() { return state_; }
    UserInteraction& ui() { return ui_; }
    RegistryStore& registry() { return registry_; }
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    // The engine's job reader (readJobValues); every job is read through it, so the form
    // takes exactly the jobs a run takes and refuses the others.
    JobValuesReader readValues;

    void getAnswers(); // split answer 1 into the data file pair, then the widgets
    void putAnswers(); // the widgets, or answer 1 from the data file pair without them
    void showFilename();

    void setJobName(const QString& path);
    // False when the write failed; the old file is then untouched. callerTitle names the
    // routine for errors that are not file-access errors.
    bool
    writeAnswerFile(const QString& name, const QString& directory,
                    const QString& callerTitle = QStringLiteral("In 'FileSaveAs' routine ..."));
    // Reads the job into the form; on failure the reason is shown and nothing changes.
    bool loadJob(const QString& name, const QString& directory);
    // Reads a job file without touching the current job; on failure shows the file and why.
    bool readJob(const QString& path, JobAnswers& out);
    // Opens path as the current job: name, folder, title and Calculate change only once the
    // file has been read. False when it could not be read (the reason was shown).
    bool openJob(const QString& path);
    // False, with a message naming the question and its range and the focus on it, when an
    // answer is not a number in its range.
    bool checkAnswers();
    // Puts path at the front of File > Recent.
    void rememberJob(const QString& path);
    // True when the user cancelled.
    bool offerToSaveChanges(bool changed);

    void fileNew();
    void fileOpen();
    void fileSave();
    bool fileSaveAs();
    void fileDelete();

  private:
    JobState& state_;
    UserInteraction& ui_;
    RegistryStore& registry_;
    FormView* view_ = nullptr;
};

} // namespace lumetra
