// The View and Help menus: example files, the manual, reporting a problem, the project page and
// the About box.
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

// The version a problem report names.
QString supportVersion();

// The text "Report a problem…" opens: what to write, then the version, the platform and the
// last run's report (its path, or that there was no run yet).
QString problemReportText(const QString& version, const QString& platform,
                          const QString& lastReportPath);
// This system, as a problem report names it.
QString platformText();
inline const QString kReportTitle = QStringLiteral("Report a problem");
inline const QString kReadmeFileName = QStringLiteral("README.md");

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
    void bind(QAction* exampleFile, QAction* manual, QAction* report, QAction* project,
              QAction* about);

    void viewExampleFile();
    void showManual();
    // A window with the prefilled report; its Copy button puts the text on the clipboard.
    void reportProblem();
    // The README in the text viewer.
    void showProjectPage();
    void showAbout();

    // The manual in the program folder.
    QString manualPath() const;
    HelpWindow* helpWindow() const { return help_; }

  private:
    QWidget* window_;
    JobSession& session_;
    QPointer<HelpWindow> help_;
    QPointer<QDialog> about_;
    QPointer<QDialog> report_;
};

} // namespace lumetra
