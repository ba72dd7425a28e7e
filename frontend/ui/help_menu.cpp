#include "help_menu.h"

#include "help_window.h"
#include "path_rules.h"

#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>
#include <QWidget>

#include "about_form.h"

namespace lumetra {

QString supportVersion() {
    return programVersion();
}

QString platformText() {
    return QSysInfo::prettyProductName() + QStringLiteral(", ") + QSysInfo::kernelType() + u' ' +
           QSysInfo::kernelVersion() + QStringLiteral(", ") + QSysInfo::currentCpuArchitecture() +
           QStringLiteral(", Qt ") + QString::fromLatin1(qVersion());
}

QString problemReportText(const QString& version, const QString& platform,
                          const QString& lastReportPath) {
    return QStringLiteral("What happened, and what did you expect?\n\n\n"
                          "Steps to see it again (the job file helps):\n\n\n") +
           QStringLiteral("Lumetra ") + version + u'\n' + QStringLiteral("Platform: ") + platform +
           u'\n' + QStringLiteral("Last run report: ") +
           (lastReportPath.isEmpty() ? QStringLiteral("none (no run yet)") : lastReportPath) +
           u'\n';
}

HelpMenu::HelpMenu(QWidget* window, JobSession& session, QObject* parent)
    : QObject(parent), window_(window), session_(session) {
    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

HelpMenu::~HelpMenu() {
    delete help_;
}

void HelpMenu::bind(QAction* exampleFile, QAction* manual, QAction* report, QAction* project,
                    QAction* about) {
    const auto wire = [this](QAction* a, void (HelpMenu::*slot)()) {
        if (!a) return;
        a->setEnabled(true);
        connect(a, &QAction::triggered, this, slot);
    };
    wire(exampleFile, &HelpMenu::viewExampleFile);
    wire(manual, &HelpMenu::showManual);
    wire(report, &HelpMenu::reportProblem);
    wire(project, &HelpMenu::showProjectPage);
    wire(about, &HelpMenu::showAbout);
}

void HelpMenu::viewExampleFile() {
    // The request carries its own start folder, so the shared one is left as it was.
    FileDialogRequest request;
    request.title = kExampleDialogTitle;
    request.filter = kExampleDialogFilter;
    request.selectedFilter = 2;
    request.initialDir = session_.state().userDir;
    const QString chosen = session_.ui().openFileName(request);
    if (!chosen.isEmpty()) session_.ui().viewFile(chosen);
}

QString HelpMenu::manualPath() const {
    return joinPath(session_.state().baseDir, kManualFileName);
}

void HelpMenu::showManual() {
    if (!help_) {
        help_ = new HelpWindow(window_);
        help_->openUrl = [this](const QUrl& url) { return openUrl && openUrl(url); };
    }
    const QString path = manualPath();
    if (!QFileInfo(path).isFile() || !help_->openManual(path)) {
        session_.ui().message({QStringLiteral("Missing '") + path + QStringLiteral("' file?"),
                               QStringLiteral("Manual not found"), MessageIcon::Warning,
                               MessageButtons::Ok});
        return;
    }
    help_->showMaximized();
    help_->raise();
    help_->activateWindow();
}

void HelpMenu::reportProblem() {
    const QString report = joinPath(session_.state().userDir, kRunReportName);
    const QString text = problemReportText(supportVersion(), platformText(),
                                           QFileInfo(report).isFile() ? report : QString());
    if (!report_) {
        report_ = new QDialog(window_);
        report_->setObjectName(QStringLiteral("dlgReport"));
        report_->setWindowTitle(kReportTitle);
        auto* edit = new QPlainTextEdit(report_);
        edit->setObjectName(QStringLiteral("txtReport"));
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, report_);
        QPushButton* copy =
            buttons->addButton(QStringLiteral("&Copy to clipboard"), QDialogButtonBox::ActionRole);
        copy->setObjectName(QStringLiteral("cmdCopyReport"));
        connect(copy, &QPushButton::clicked, report_, [edit] {
            if (QClipboard* clipboard = QGuiApplication::clipboard())
                clipboard->setText(edit->toPlainText());
        });
        connect(buttons, &QDialogButtonBox::rejected, report_, &QDialog::hide);
        auto* layout = new QVBoxLayout(report_);
        layout->addWidget(
            new QLabel(QStringLiteral("Describe the problem below; Copy puts the text "
                                      "on the clipboard for a message or an issue."),
                       report_));
        layout->addWidget(edit);
        layout->addWidget(buttons);
        report_->resize(report_->fontMetrics().averageCharWidth() * 80,
                        report_->fontMetrics().height() * 20);
    }
    report_->findChild<QPlainTextEdit*>(QStringLiteral("txtReport"))->setPlainText(text);
    report_->show();
    report_->raise();
    report_->activateWindow();
}

void HelpMenu::showProjectPage() {
    const QString path = joinPath(session_.state().baseDir, kReadmeFileName);
    if (!QFileInfo(path).isFile()) {
        session_.ui().message({QStringLiteral("Missing '") + path + QStringLiteral("' file?"),
                               QStringLiteral("Project page not found"), MessageIcon::Warning,
                               MessageButtons::Ok});
        return;
    }
    session_.ui().viewFile(path);
}

void HelpMenu::showAbout() {
    // Made once; OK only hides it.
    if (!about_) about_ = new AboutForm(programVersion(), window_);
    about_->exec();
}

} // namespace lumetra
