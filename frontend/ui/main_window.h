// frmMain: the notebook, the menus, start-up and closing.
#pragma once

#include "engine_library.h"
#include "form_view.h"
#include "job_session.h"
#include "job_state.h"
#include "registry_store.h"
#include "run_pipeline.h"
#include "settings_file.h"
#include "user_interaction.h"

#include <QDateTime>
#include <QMainWindow>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QTabWidget;

namespace lumetra {

class DemoPage;
class HelpMenu;
class JobForm;
class PlotController;

inline const QString kFirstTitle = QStringLiteral("Lumetra (tm) for Spectral Estimators");

class MainWindow : public QMainWindow, public FormView {
    Q_OBJECT
  public:
    // engine may be null: libspecest.so next to the program is used.
    MainWindow(UserInteraction& ui, RegistryStore& registry, const QString& programDir,
               EngineLibrary* engine = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence; false when the program cannot go on (the reason was shown).
    bool formLoad();

    JobState& state() { return state_; }
    JobSession& session() { return session_; }
    RunPipeline& pipeline() { return *pipeline_; }
    JobForm* jobForm() const { return form_; }
    DemoPage* demoPage() const { return demoPage_; }
    HelpMenu* helpMenu() const { return helpMenu_; }
    PlotController* plotController() const { return plot_; }
    QTabWidget* tabs() const { return tabs_; }
    QAction* action(const QString& name) const;
    QMenu* menu(const QString& name) const;

    // FormView
    void getAnswers() override;
    void putAnswers() override;
    void showFilename() override;
    void focusControl(const QString& name) override;
    void showPage(int index) override;
    void setPageEnabled(int index, bool enabled) override;
    void setSubmitEnabled(bool enabled) override;
    void setRunControls(bool running) override;
    void setRunBusy(bool busy, const QString& method) override;
    void startPlot(const RunResult& result) override;
    void setMenus(bool on) override;
    void setPlotControls(bool on) override;

    void startSetup();
    void calculateClicked(); // cmdSubmit
    void calculateMenu();    // File, Calculate

    // File > Recent: opens the job (after the offer to save changes); a file that is gone is
    // taken off the list with a note.
    void openRecent(const QString& path);
    void refreshRecentMenu();
    // Whether start-up put the window back where it was last closed.
    bool geometryRestored() const { return geometryRestored_; }
    // What the status bar says about the job and the last run.
    QString jobStatusText() const;
    QString lastRunStatusText() const;
    // The clock the status bar stamps runs with (tests set it).
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };

  signals:
    // Edit > Copy on a plot; whoever draws the plot answers it.
    void copyPlotRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    QAction* addEntry(QMenu* menu, const QString& name, const QString& text, bool enabled);
    // File commands that put a job on the form bring the form back from any page.
    void returnToForm();
    void applyMenuState();
    void runFinished();
    void saveWindowGeometry();

    UserInteraction& ui_;
    RegistryStore& registry_;
    QString programDir_;
    std::unique_ptr<EngineLibrary> ownEngine_;
    EngineLibrary* engine_;
    JobState state_;
    JobSession session_;
    RunPipeline* pipeline_ = nullptr;
    SettingsFile settings_;

    QTabWidget* tabs_ = nullptr;
    JobForm* form_ = nullptr;
    QPlainTextEdit* tbOutBox_ = nullptr;
    QLabel* busyLabel_ = nullptr;
    QProgressBar* busyBar_ = nullptr;
    QMenu* mnuFile_ = nullptr;
    QMenu* mnuDemos_ = nullptr;
    DemoPage* demoPage_ = nullptr;
    HelpMenu* helpMenu_ = nullptr;
    PlotController* plot_ = nullptr;
    QMenu* mnuRecent_ = nullptr;
    QLabel* jobLabel_ = nullptr;
    QLabel* lastRunLabel_ = nullptr;
    QString lastRun_;
    bool geometryRestored_ = false;
};

} // namespace lumetra
