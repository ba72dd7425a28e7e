#include "help_menu.h"

#include "help_window.h"
#include "path_rules.h"

#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QWidget>

#include "about_form.h"

namespace lumetra {

QString supportAddress() {
    return kSupportAddress;
}
QString classWebPage() {
    return kClassWebPage;
}
QString supportVersion() {
    return programVersion();
}

namespace {

QString supportSubject() {
    return QStringLiteral("Lumetra ") + supportVersion() + QStringLiteral(" questions/problems");
}

} // namespace

QString supportMailto() {
    QString link = QStringLiteral("mailto:") + supportAddress() + QStringLiteral("?subject=") +
                   supportSubject() + QStringLiteral(".&body=How can we help?");
    link.replace(u' ', QStringLiteral("%20"));
    return link;
}

QString supportMessage() {
    return QStringLiteral("If this didn't work automatically!  Please e-mail us at ") +
           supportAddress() +
           QStringLiteral("\n   ---> ('Cntl V' will retrieve our e-mail address!)  <---\n"
                          "with Subject: ") +
           supportSubject();
}

HelpMenu::HelpMenu(QWidget* window, JobSession& session, QObject* parent)
    : QObject(parent), window_(window), session_(session) {
    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

HelpMenu::~HelpMenu() {
    delete help_;
}

void HelpMenu::bind(QAction* exampleFile, QAction* webClass, QAction* manual, QAction* email,
                    QAction* about) {
    const auto wire = [this](QAction* a, void (HelpMenu::*slot)()) {
        if (!a) return;
        a->setEnabled(true);
        connect(a, &QAction::triggered, this, slot);
    };
    wire(exampleFile, &HelpMenu::viewExampleFile);
    wire(webClass, &HelpMenu::openClassWebPage);
    wire(manual, &HelpMenu::showManual);
    wire(email, &HelpMenu::emailSupport);
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

void HelpMenu::openClassWebPage() {
    const QString page = classWebPage();
    if (!openUrl || !openUrl(QUrl(page)))
        session_.ui().message({QStringLiteral("No web browser could be started for\n") + page,
                               QStringLiteral("In 'mnuWebClass' routine ..."), MessageIcon::Warning,
                               MessageButtons::Ok});
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
                               QStringLiteral("In 'mnuHelpManual' routine ..."),
                               MessageIcon::Warning, MessageButtons::Ok});
        return;
    }
    help_->showMaximized();
    help_->raise();
    help_->activateWindow();
}

void HelpMenu::emailSupport() {
    if (openUrl) openUrl(QUrl(supportMailto(), QUrl::StrictMode));
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->clear();
        clipboard->setText(supportAddress());
    }
    // Shown whether or not a mail program came up: the address is on the clipboard.
    session_.ui().message(
        {supportMessage(), kSupportTitle, MessageIcon::Warning, MessageButtons::Ok});
}

void HelpMenu::showAbout() {
    // Made once; OK only hides it.
    if (!about_) about_ = new AboutForm(programVersion(), window_);
    about_->exec();
}

} // namespace lumetra
