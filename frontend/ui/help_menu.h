// The View, Web Links and Help menus: example files, the class web page, the manual, support
// e-mail and the About box.
#pragma once

#include "help_window.h"
#include "job_session.h"

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>

class QAction;

namespace lumetra {

// The maker's contacts and the version the support e-mail names.
QString supportAddress();
QString classWebPage();
QString supportVersion();

// "mailto:..." with subject and body, blanks as %20.
QString supportMailto();
// The message shown after the mail program was asked to open.
QString supportMessage();
inline const QString kSupportTitle = QStringLiteral("If default e-Mail program was Not found.");

inline const QString kExampleDialogTitle = QStringLiteral("Open an Example File for illustration");
inline const QString kExampleDialogFilter =
    QStringLiteral("All Files (*.*)|*.*|Example Response Files (Ex*.*)|Ex*.*");

class HelpMenu : public QObject {
    Q_OBJECT
  public:
    // window: owner of the help window and the About box.
    HelpMenu(QWidget* window, JobSession& session, QObject* parent = nullptr);
    ~HelpMenu() override;

    // How URLs leave the program; tests replace it.
    std::function<bool(const QUrl&)> openUrl;

    // Wires the menu entries (any may be null).
    void bind(QAction* exampleFile, QAction* webClass, QAction* manual, QAction* email,
              QAction* about);

    void viewExampleFile();
    void openClassWebPage();
    void showManual();
    void emailSupport();
    void showAbout();

    // The manual in the program folder.
    QString manualPath() const;
    HelpWindow* helpWindow() const { return help_; }

  private:
    QWidget* window_;
    JobSession& session_;
    QPointer<HelpWindow> help_;
    QPointer<QDialog> about_;
};

} // namespace lumetra
