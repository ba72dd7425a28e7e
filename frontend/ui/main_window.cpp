#include "main_window.h"

#include "common_files.h"
#include "demo_page.h"
#include "file_error_policy.h"
#include "help_menu.h"
#include "job_form.h"
#include "path_rules.h"
#include "plot_controller.h"
#include "plot_page.h"
#include "setup_page.h"
#include "start_path.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
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
    statusBar()->addWidget(busyLabel_, 1);
    statusBar()->addPermanentWidget(busyBar_);
    busyLabel_->hide();
    busyBar_->hide();

    buildMenus();
    connect(form_, &JobForm::submitClicked, this, &MainWindow::calculateClicked);
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
    connect(addEntry(mnuFile_, QStringLiteral("mnuFileNew"), QStringLiteral("&New"), true),
            &QAction::triggered, this, [this] { session_.fileNew(); });
    connect(addEntry(mnuFile_, QStringLiteral("mnuFileOpen"), QStringLiteral("&Open ..."), true),
            &QAction::triggered, this, [this] { session_.fileOpen(); });
    connect(addEntry(mnuFile_, QStringLiteral("mnuFileSave"), QStringLiteral("&Save"), true),
            &QAction::triggered, this, [this] { session_.fileSave(); });
    connect(
        addEntry(mnuFile_, QStringLiteral("mnuFileSaveAs"), QStringLiteral("Save &As ..."), true),
        &QAction::triggered, this, [this] { session_.fileSaveAs(); });
    connect(
        addEntry(mnuFile_, QStringLiteral("mnuFileDelete"), QStringLiteral("&Delete ..."), true),
        &QAction::triggered, this, [this] { session_.fileDelete(); });
    mnuFile_->addSeparator();
    connect(
        addEntry(mnuFile_, QStringLiteral("mnuFileCalculate"), QStringLiteral("&Calculate"), true),
        &QAction::triggered, this, &MainWindow::calculateMenu);
    mnuFile_->addSeparator();
    connect(addEntry(mnuFile_, QStringLiteral("mnuFileExit"), QStringLiteral("E&xit"), true),
            &QAction::triggered, this, &QWidget::close);

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

    QMenu* web = menuBar()->addMenu(QStringLiteral("&Web Links"));
    web->setObjectName(QStringLiteral("mnuWebLinks"));
    addEntry(web, QStringLiteral("mnuWebClass"), QStringLiteral("Spectral Estimation Class"),
             false);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    addEntry(help, QStringLiteral("mnuHelpManual"), QStringLiteral("&Manual ..."), false);
    addEntry(help, QStringLiteral("mnuHelpEmail"), QStringLiteral("&E-mail Support ..."), false);
    addEntry(help, QStringLiteral("mnuHelpAbout"), QStringLiteral("&About ..."), false);

    helpMenu_ = new HelpMenu(this, session_, this);
    helpMenu_->bind(action(QStringLiteral("mnuViewExample")), action(QStringLiteral("mnuWebClass")),
                    action(QStringLiteral("mnuHelpManual")), action(QStringLiteral("mnuHelpEmail")),
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
    state_.userDir = paths.userDir;
    state_.currentDir = paths.userDir;

    settings_ = startIni(state_.baseDir);
    if (!settings_.ok) {
        ui_.message({settings_.message, kStartIniTitle, MessageIcon::Critical, MessageButtons::Ok});
        return false;
    }
    const QString last = lastFilePath(registry_);
    state_.dialogDir =
        last.isEmpty() ? childDirNoCase(state_.baseDir, QStringLiteral("User")) : last;

    state_.jobName = kStartUpJobName;
    state_.jobDir = state_.baseDir;
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
    setRunControls(false);
    setMenus(true);
    setPageEnabled(1, false);
    setPageEnabled(2, false);
    resize(JobForm::px(11000), JobForm::px(8900));
    form_->findChild<QWidget*>(QStringLiteral("nSkip"))->setFocus();
    return true;
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
}

void MainWindow::focusControl(const QString& name) {
    if (QWidget* w = form_->control(name)) w->setFocus();
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
    // The demo page keeps its menus off after its run.
    if (busy) menusBeforeRun_ = mnuFile_->isEnabled();
    setMenus(!busy && menusBeforeRun_);
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
    event->accept();
}

} // namespace lumetra
