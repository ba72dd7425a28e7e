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
    demoPage_->setMenus = [this](bool on) { SetMenus(on); };
    tabs_->addTab(demoPage_, QStringLiteral("Demos"));
    plot_ = new PlotController(*this, ui_, registry_, this);
    demoPage_->setPlotControls = [this](bool on) { SetPlotControls(on); };
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
            &QAction::triggered, this, [this] { session_.FileNew(); });
    connect(addEntry(mnuFile_, QStringLiteral("mnuFileOpen"), QStringLiteral("&Open ..."), true),
            &QAction::triggered, this, [this] { session_.FileOpen(); });
    connect(addEntry(mnuFile_, QStringLiteral("mnuFileSave"), QStringLiteral("&Save"), true),
            &QAction::triggered, this, [this] { session_.FileSave(); });
    connect(
        addEntry(mnuFile_, QStringLiteral("mnuFileSaveAs"), QStringLiteral("Save &As ..."), true),
        &QAction::triggered, this, [this] { session_.FileSaveAs(); });
    connect(
        addEntry(mnuFile_, QStringLiteral("mnuFileDelete"), QStringLiteral("&Delete ..."), true),
        &QAction::triggered, this, [this] { session_.FileDelete(); });
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
        &QAction::triggered, demoPage_, &DemoPage::mnuDemosRunGo);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("mnuView"));
    addEntry(view, QStringLiteral("mnuViewExample"), QStringLiteral("&Example File ..."), false);
    connect(addEntry(view, QStringLiteral("mnuViewLastOutput"), QStringLiteral("&Last Output ..."),
                     true),
            &QAction::triggered, this, [this] { pipeline_->ViewUserFile(kRunReportName); });

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
    const StartPathResult paths = Start_Path(programDir_);
    state_.writeErrors = 0;
    state_.runMode = QStringLiteral(" ");
    if (!paths.ok) {
        ui_.message({paths.message, kStartPathTitle, MessageIcon::Critical, MessageButtons::Ok});
        return false;
    }
    state_.baseDir = paths.baseDir;
    state_.userDir = paths.userDir;
    state_.currentDir = paths.userDir;

    settings_ = Start_INI(state_.baseDir);
    if (!settings_.ok) {
        ui_.message({settings_.message, kStartIniTitle, MessageIcon::Critical, MessageButtons::Ok});
        return false;
    }
    const QString last = GetLastFilePath(registry_);
    state_.dialogDir =
        last.isEmpty() ? childDirNoCase(state_.baseDir, QStringLiteral("User")) : last;

    state_.jobName = kStartUpJobName;
    state_.jobDir = state_.baseDir;
    const QString startUp = startUpJobName(state_.userDir);
    if (!startUp.isEmpty())
        session_.FileOld(startUp, state_.userDir);
    else {
        session_.PutAnswers();
        // The design default names a file in the working directory.
        state_.dataFileName =
            SplitPath(state_.answers.answer(1), state_.currentDir, &state_.dataFileDir);
    }
    state_.jobName = kStartUpJobName;
    form_->MethodsVisible();
    state_.formChanged = false;

    // Overrides off, the saved options, plot set-up controls off, grid "X && Y Axes", "Dotted".
    plot_->LoadPlotOptions();
    SetRunControls(false);
    SetMenus(true);
    setPageEnabled(1, false);
    setPageEnabled(2, false);
    resize(JobForm::px(11000), JobForm::px(8900));
    form_->findChild<QWidget*>(QStringLiteral("nSkip"))->setFocus();
    return true;
}

void MainWindow::GetAnswers() {
    form_->GetAnswers();
}
void MainWindow::PutAnswers() {
    form_->PutAnswers();
}

void MainWindow::ShowFilename() {
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

void MainWindow::SetRunControls(bool running) {
    form_->submitButton()->setEnabled(!running && !pipeline_->isRunning());
    demoPage_->setRunButtonsEnabled(!running && !pipeline_->isRunning());
}

void MainWindow::SetMenus(bool on) {
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
    SetMenus(!busy && menusBeforeRun_);
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void MainWindow::startPlot(const RunResult& result) {
    plot_->startPlot(result);
}

void MainWindow::SetPlotControls(bool on) {
    plot_->SetPlotControls(on);
}

void MainWindow::startSetup() {
    plot_->startSetup();
}

void MainWindow::calculateClicked() {
    SetRunControls(true);
    state_.runMode = QStringLiteral("*");
    pipeline_->FileRun();
}

void MainWindow::calculateMenu() {
    state_.runMode = QStringLiteral("*");
    pipeline_->FileRun();
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
    if (session_.SaveChangesPrompt(state_.formChanged)) {
        event->ignore();
        return;
    }
    if (registry_.KeyExists(kCurrentUser, kVendorKey))
        registry_.SetValue(kCurrentUser, kVendorKey, QStringLiteral("fileIn"), kRegString,
                           QString());
    event->accept();
}

} // namespace lumetra
