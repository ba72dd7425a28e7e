#include "main_window.h"

#include "common_files.h"
#include "data_pages.h"
#include "demo_page.h"
#include "file_error_policy.h"
#include "help_menu.h"
#include "job_form.h"
#include "job_run.h"
#include "path_rules.h"
#include "plot_controller.h"
#include "plot_page.h"
#include "recent_jobs.h"
#include "setup_page.h"
#include "start_path.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>

namespace lumetra {
namespace {

// The start-up job, found whatever the case of its name on disk.
QString startUpJobName(const QString& userDir) {
    const QString wanted = QStringLiteral("ex-auto.0");
    const QStringList files = QDir(userDir).entryList(QDir::Files);
    if (files.contains(wanted)) return wanted;
    for (const QString& f : files)
        if (f.compare(wanted, Qt::CaseInsensitive) == 0) return f;
    return QString();
}

const QString kGeometryValue = QStringLiteral("WindowGeometry");
constexpr int kPlotPage = 4;

QString runStatusWord(const RunResult& r) {
    switch (r.status) {
    case RunStatus::Success:
        return QStringLiteral("plotted");
    case RunStatus::EstimatorFailure:
        return QStringLiteral("estimator failed");
    case RunStatus::Stopped:
        return QStringLiteral("stopped");
    case RunStatus::NotRun:
        break;
    }
    return QStringLiteral("not run");
}

} // namespace

MainWindow::MainWindow(UserInteraction& ui, RegistryStore& registry, const QString& programDir,
                       EngineLibrary* engine, QWidget* parent)
    : QMainWindow(parent), ui_(ui), registry_(registry), programDir_(programDir),
      session_(state_, ui, registry) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kFirstTitle);
    if (!engine) {
        ownEngine_ =
            std::make_unique<EngineLibrary>(joinPath(programDir, QStringLiteral("libspecest.so")));
        engine = ownEngine_.get();
    }
    engine_ = engine;
    session_.setView(this);
    // Jobs are read by the engine's own reader, as a run and --batch read them.
    session_.readValues = readJobValues;
    pipeline_ = new RunPipeline(session_, *engine_, this);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("Plot_Tabs"));
    form_ = new JobForm(session_);
    auto* scroll = new QScrollArea;
    scroll->setWidget(form_);
    scroll->setWidgetResizable(true);
    tabs_->addTab(scroll, QStringLiteral("Parameter Selection"));
    demoPage_ = new DemoPage(session_, *pipeline_);
    tabs_->addTab(demoPage_, QStringLiteral("Demos"));
    plot_ = new PlotController(*this, state_, *pipeline_, ui_, registry_, this);
    tabs_->addTab(plot_->setupPage(), QStringLiteral("Setup"));
    tbOutBox_ = new QPlainTextEdit;
    tbOutBox_->setObjectName(QStringLiteral("tbOutBox"));
    tbOutBox_->setReadOnly(true);
    tbOutBox_->setLineWrapMode(QPlainTextEdit::NoWrap);
    tbOutBox_->setFont(QFont(QStringLiteral("Monospace")));
    tabs_->addTab(tbOutBox_, QStringLiteral("Output"));
    tabs_->addTab(plot_->plotPage(), QStringLiteral("Plot"));
    plot_->attach(tabs_, tbOutBox_);
    setCentralWidget(tabs_);

    busyLabel_ = new QLabel;
    busyLabel_->setObjectName(QStringLiteral("lblBusy"));
    busyBar_ = new QProgressBar;
    busyBar_->setObjectName(QStringLiteral("busyBar"));
    busyBar_->setRange(0, 0);
    busyBar_->setMaximumWidth(200);
    jobLabel_ = new QLabel;
    jobLabel_->setObjectName(QStringLiteral("lblJob"));
    lastRunLabel_ = new QLabel;
    lastRunLabel_->setObjectName(QStringLiteral("lblLastRun"));
    statusBar()->addWidget(jobLabel_);
    statusBar()->addWidget(busyLabel_, 1);
    statusBar()->addPermanentWidget(lastRunLabel_);
    statusBar()->addPermanentWidget(busyBar_);
    busyLabel_->hide();
    busyBar_->hide();

    buildMenus();
    connect(form_, &JobForm::submitClicked, this, &MainWindow::calculateClicked);
    connect(pipeline_, &RunPipeline::runFinished, this, &MainWindow::runFinished);
    connect(this, &MainWindow::copyPlotRequested, plot_, &PlotController::copyPlot);
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        action(QStringLiteral("mnuEditCopy"))
            ->setEnabled(
                index == kPlotPage && plot_->hasPlot() &&
                isSignalConnected(QMetaMethod::fromSignal(&MainWindow::copyPlotRequested)));
    });
    jobLabel_->setText(jobStatusText());
    lastRunLabel_->setText(lastRunStatusText());
    new DataPages(*this, session_, *engine_);
}

MainWindow::~MainWindow() {
    pipeline_->waitForRun();
}

QAction* MainWindow::addEntry(QMenu* menu, const QString& name, const QString& text, bool enabled) {
    QAction* a = menu->addAction(text);
    a->setObjectName(name);
    a->setEnabled(enabled);
    return a;
}

void MainWindow::buildMenus() {
    mnuFile_ = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile_->setObjectName(QStringLiteral("mnuFile"));
    // New, Open and Recent put a job on the form: the form comes back from any page.
    auto onJobChange = [this](const std::function<void()>& command) {
        const QString before = state_.jobPath();
        const JobAnswers answers = state_.answers;
        command();
        if (state_.jobPath() != before || !(state_.answers == answers)) returnToForm();
        refreshRecentMenu();
    };
    auto keys = [](QAction* a, const QKeySequence& k) {
        a->setShortcut(k);
        return a;
    };
    connect(keys(addEntry(mnuFile_, QStringLiteral("mnuFileNew"), QStringLiteral("&New"), true),
                 QKeySequence::New),
            &QAction::triggered, this,
            [this, onJobChange] { onJobChange([this] { session_.fileNew(); }); });
    connect(
        keys(addEntry(mnuFile_, QStringLiteral("mnuFileOpen"), QStringLiteral("&Open ..."), true),
             QKeySequence::Open),
        &QAction::triggered, this,
        [this, onJobChange] { onJobChange([this] { session_.fileOpen(); }); });
    mnuRecent_ = mnuFile_->addMenu(QStringLiteral("&Recent"));
    mnuRecent_->setObjectName(QStringLiteral("mnuFileRecent"));
    connect(mnuRecent_, &QMenu::aboutToShow, this, &MainWindow::refreshRecentMenu);
    connect(keys(addEntry(mnuFile_, QStringLiteral("mnuFileSave"), QStringLiteral("&Save"), true),
                 QKeySequence(Qt::CTRL | Qt::Key_S)),
            &QAction::triggered, this, [this] {
                session_.fileSave();
                refreshRecentMenu();
            });
    connect(keys(addEntry(mnuFile_, QStringLiteral("mnuFileSaveAs"), QStringLiteral("Save &As ..."),
                          true),
                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)),
            &QAction::triggered, this, [this] {
                session_.fileSaveAs();
                refreshRecentMenu();
            });
    connect(
        addEntry(mnuFile_, QStringLiteral("mnuFileDelete"), QStringLiteral("&Delete ..."), true),
        &QAction::triggered, this, [this] { session_.fileDelete(); });
    mnuFile_->addSeparator();
    connect(keys(addEntry(mnuFile_, QStringLiteral("mnuFileCalculate"),
                          QStringLiteral("&Calculate"), true),
                 QKeySequence(Qt::Key_F5)),
            &QAction::triggered, this, &MainWindow::calculateMenu);
    mnuFile_->addSeparator();
    connect(keys(addEntry(mnuFile_, QStringLiteral("mnuFileExit"), QStringLiteral("E&xit"), true),
                 QKeySequence(Qt::CTRL | Qt::Key_Q)),
            &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    // On only while a plot is shown and something answers the request.
    connect(keys(addEntry(edit, QStringLiteral("mnuEditCopy"), QStringLiteral("&Copy Plot"), false),
                 QKeySequence::Copy),
            &QAction::triggered, this, &MainWindow::copyPlotRequested);

    mnuDemos_ = menuBar()->addMenu(QStringLiteral("&Demos"));
    mnuDemos_->setObjectName(QStringLiteral("mnuDemos"));
    connect(
        addEntry(mnuDemos_, QStringLiteral("mnuDemosRunGo"), QStringLiteral("Run &Demo ..."), true),
        &QAction::triggered, demoPage_, &DemoPage::openDemos);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("mnuView"));
    addEntry(view, QStringLiteral("mnuViewExample"), QStringLiteral("&Example File ..."), false);
    connect(addEntry(view, QStringLiteral("mnuViewLastOutput"), QStringLiteral("&Last Output ..."),
                     true),
            &QAction::triggered, this, [this] { pipeline_->viewUserFile(kRunReportName); });
    // The view runs are drawn in: the classic one, or the modern profile's density in dB/Hz
    // against Hz. Remembered with the plot options.
    view->addSeparator();
    auto* views = new QActionGroup(this);
    for (const auto& [name, text] :
         {std::pair{"mnuViewClassic", "&Classic"}, std::pair{"mnuViewModern", "&Modern"}}) {
        QAction* a = addEntry(view, QString::fromLatin1(name), QString::fromLatin1(text), true);
        a->setCheckable(true);
        a->setChecked(QLatin1String(name) == QLatin1String("mnuViewClassic"));
        views->addAction(a);
        const bool modern = QLatin1String(name) == QLatin1String("mnuViewModern");
        connect(a, &QAction::triggered, this, [this, modern] {
            const plot::PlotView v = modern ? plot::PlotView::Modern : plot::PlotView::Classic;
            plot_->setView(v);
            pipeline_->setModern(modern);
        });
    }

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    addEntry(help, QStringLiteral("mnuHelpManual"), QStringLiteral("&Manual ..."), false)
        ->setShortcut(QKeySequence(Qt::Key_F1));
    addEntry(help, QStringLiteral("mnuHelpReport"), QStringLiteral("Report a problem\u2026"),
             false);
    addEntry(help, QStringLiteral("mnuHelpProject"), QStringLiteral("Project page"), false);
    addEntry(help, QStringLiteral("mnuHelpAbout"), QStringLiteral("&About ..."), false);

    helpMenu_ = new HelpMenu(this, session_, this);
    helpMenu_->bind(
        action(QStringLiteral("mnuViewExample")), action(QStringLiteral("mnuHelpManual")),
        action(QStringLiteral("mnuHelpReport")), action(QStringLiteral("mnuHelpProject")),
        action(QStringLiteral("mnuHelpAbout")));
}

QAction* MainWindow::action(const QString& name) const {
    return findChild<QAction*>(name);
}
QMenu* MainWindow::menu(const QString& name) const {
    return findChild<QMenu*>(name);
}

bool MainWindow::formLoad() {
    showPage(0);
    const StartPathResult paths = startPath(programDir_);
    state_.writeErrors = 0;
    if (!paths.ok) {
        ui_.message({paths.message, kStartPathTitle, MessageIcon::Critical, MessageButtons::Ok});
        return false;
    }
    state_.baseDir = paths.baseDir;
    state_.settingsDir = paths.settingsDir;
    state_.userDir = paths.userDir;
    state_.currentDir = paths.userDir;

    settings_ = startIni(state_.settingsDir);
    if (!settings_.ok) {
        ui_.message({settings_.message, kStartIniTitle, MessageIcon::Critical, MessageButtons::Ok});
        return false;
    }
    const QString last = lastFilePath(registry_);
    state_.dialogDir = last.isEmpty() ? state_.userDir : last;

    state_.jobName = kStartUpJobName;
    state_.jobDir = state_.userDir;
    const QString startUp = startUpJobName(state_.userDir);
    if (!startUp.isEmpty())
        session_.loadJob(startUp, state_.userDir);
    else {
        session_.putAnswers();
        // The design default names a file in the working directory.
        state_.dataFileName =
            splitPath(state_.answers.answer(1), state_.currentDir, &state_.dataFileDir);
    }
    state_.jobName = kStartUpJobName;
    form_->showMethodQuestions();
    state_.formChanged = false;

    // Overrides off, the saved options, plot set-up controls off, grid "X && Y Axes", "Dotted".
    plot_->loadPlotOptions();
    {
        const bool modern = plot_->view() == plot::PlotView::Modern;
        pipeline_->setModern(modern);
        action(modern ? QStringLiteral("mnuViewModern") : QStringLiteral("mnuViewClassic"))
            ->setChecked(true);
    }
    setRunControls(false);
    setMenus(true);
    setPageEnabled(1, false);
    setPageEnabled(2, false);
    resize(JobForm::px(11000), JobForm::px(8900));
    if (registry_.keyExists(kCurrentUser, kProgramKey)) {
        const QByteArray geometry =
            registry_.getValue(kCurrentUser, kProgramKey, kGeometryValue, kRegBinary, QByteArray())
                .toByteArray();
        geometryRestored_ = !geometry.isEmpty() && restoreGeometry(geometry);
    }
    refreshRecentMenu();
    showFilename();
    setWindowTitle(kFirstTitle);
    form_->findChild<QWidget*>(QStringLiteral("nSkip"))->setFocus();
    return true;
}

void MainWindow::saveWindowGeometry() {
    try {
        if (!registry_.keyExists(kCurrentUser, kProgramKey))
            registry_.createKey(kCurrentUser, kProgramKey);
    } catch (const RegistryError&) {
        return; // a convenience: closing never fails for it
    }
    registry_.setValue(kCurrentUser, kProgramKey, kGeometryValue, kRegBinary, saveGeometry());
}

void MainWindow::refreshRecentMenu() {
    QStringList list = recentJobs(registry_);
    const QStringList gone =
        dropMissingJobs(list, [](const QString& p) { return QFileInfo(p).isFile(); });
    if (!gone.isEmpty()) saveRecentJobs(registry_, list);
    mnuRecent_->clear();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString path = list.at(i);
        QAction* a = mnuRecent_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
        a->setObjectName(QStringLiteral("mnuRecent_%1").arg(i + 1));
        connect(a, &QAction::triggered, this, [this, path] { openRecent(path); });
    }
    if (list.isEmpty()) mnuRecent_->addAction(QStringLiteral("(no jobs yet)"))->setEnabled(false);
    if (!gone.isEmpty()) {
        mnuRecent_->addSeparator();
        QAction* note = mnuRecent_->addAction(QStringLiteral("Taken off, no longer there: ") +
                                              gone.join(QStringLiteral(", ")));
        note->setObjectName(QStringLiteral("mnuRecentNote"));
        note->setEnabled(false);
    }
}

void MainWindow::openRecent(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        QStringList list = recentJobs(registry_);
        list.removeAll(path);
        saveRecentJobs(registry_, list);
        ui_.message({u'\'' + path +
                         QStringLiteral("' is no longer there; it was taken off the Recent list."),
                     QStringLiteral("File not opened"), MessageIcon::Warning, MessageButtons::Ok});
        refreshRecentMenu();
        return;
    }
    if (state_.jobName != kNewJobName && session_.offerToSaveChanges(state_.formChanged)) return;
    if (session_.openJob(path)) returnToForm();
    refreshRecentMenu();
}

void MainWindow::returnToForm() {
    if (tabs_->isTabEnabled(0) && tabs_->currentIndex() == 0) return;
    setPageEnabled(0, true);
    setPageEnabled(1, false);
    setPageEnabled(2, false);
    setPlotControls(false);
    setRunControls(false);
    showPage(0);
}

QString MainWindow::jobStatusText() const {
    if (state_.jobName.isEmpty()) return QStringLiteral("Job: none");
    const bool onDisk = state_.jobName != kStartUpJobName && state_.jobName != kNewJobName;
    return QStringLiteral("Job: ") + (onDisk ? state_.jobPath() : state_.jobName);
}

QString MainWindow::lastRunStatusText() const {
    return lastRun_.isEmpty() ? QStringLiteral("Last run: none") : lastRun_;
}

void MainWindow::runFinished() {
    const RunResult& r = pipeline_->lastResult();
    lastRun_ = QStringLiteral("Last run: ") +
               (r.method.isEmpty() ? QStringLiteral("?") : r.method) + QStringLiteral(", ") +
               clock().toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(", ") +
               runStatusWord(r);
    lastRunLabel_->setText(lastRun_);
}

void MainWindow::getAnswers() {
    form_->getAnswers();
}
void MainWindow::putAnswers() {
    form_->putAnswers();
}

void MainWindow::showFilename() {
    const QString title = QStringLiteral("Lumetra, for Spectral Estimators");
    setWindowTitle(state_.jobName.isEmpty() ? title
                                            : title + QStringLiteral(" ... ") + state_.jobName);
    jobLabel_->setText(jobStatusText());
}

void MainWindow::focusControl(const QString& name) {
    QWidget* w = form_->control(name);
    if (!w) return;
    // A control of the form is reached from any page (F5 on the plot, say).
    returnToForm();
    w->setFocus();
}

void MainWindow::showPage(int index) {
    tabs_->setCurrentIndex(index);
}
void MainWindow::setPageEnabled(int index, bool enabled) {
    tabs_->setTabEnabled(index, enabled);
}
void MainWindow::setSubmitEnabled(bool enabled) {
    form_->submitButton()->setEnabled(enabled);
}

void MainWindow::setRunControls(bool running) {
    form_->submitButton()->setEnabled(!running && !pipeline_->isRunning());
    demoPage_->setRunButtonsEnabled(!running && !pipeline_->isRunning());
}

void MainWindow::setMenus(bool on) {
    // File and Demos stay reachable from every page; only a run in progress takes them away.
    (void)on;
    applyMenuState();
}

void MainWindow::applyMenuState() {
    const bool on = !pipeline_->isRunning();
    mnuFile_->setEnabled(on);
    mnuFile_->menuAction()->setEnabled(on);
    mnuDemos_->setEnabled(on);
    mnuDemos_->menuAction()->setEnabled(on);
}

void MainWindow::setRunBusy(bool busy, const QString& method) {
    // While the engine works: no second run and no file command on the job it reads.
    busyLabel_->setText(busy ? QStringLiteral("Calculating: ") + method + QStringLiteral(" ...")
                             : QString());
    busyLabel_->setVisible(busy);
    busyBar_->setVisible(busy);
    action(QStringLiteral("mnuFileCalculate"))->setEnabled(!busy);
    form_->submitButton()->setEnabled(!busy);
    applyMenuState();
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void MainWindow::startPlot(const RunResult& result) {
    plot_->startPlot(result);
}

void MainWindow::setPlotControls(bool on) {
    plot_->setPlotControls(on);
}

void MainWindow::startSetup() {
    plot_->startSetup();
}

void MainWindow::calculateClicked() {
    setRunControls(true);
    pipeline_->fileRun();
}

void MainWindow::calculateMenu() {
    pipeline_->fileRun();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (pipeline_->isRunning()) {
        // The engine cannot be interrupted; the window closes once the run has ended.
        statusBar()->showMessage(
            QStringLiteral("A calculation is running; close again when it has ended."), 5000);
        event->ignore();
        return;
    }
    // Unsaved edits are offered for saving, as every other command that discards them does.
    if (session_.offerToSaveChanges(state_.formChanged)) {
        event->ignore();
        return;
    }
    if (registry_.keyExists(kCurrentUser, kVendorKey))
        registry_.setValue(kCurrentUser, kVendorKey, QStringLiteral("fileIn"), kRegString,
                           QString());
    saveWindowGeometry();
    event->accept();
}

} // namespace lumetra
