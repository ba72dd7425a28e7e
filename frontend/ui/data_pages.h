// What the window gains for the user's own data: File > Import data..., files dropped on the
// window, a file named on the command line, and the Signal page.
#pragma once

#include <QObject>
#include <QString>

namespace lumetra {

class ComparePanel;
class EngineLibrary;
class JobSession;
class MainWindow;
class SignalPage;

class DataPages : public QObject {
    Q_OBJECT
  public:
    DataPages(MainWindow& window, JobSession& session, EngineLibrary& engine);

    // The import dialog on a source file; true when a data file was written.
    bool importFile(const QString& path);
    // A job file opens as a job; any other file starts the import.
    void openFile(const QString& path);
    SignalPage* signalPage() const { return signal_; }
    // The Compare panel (made on first use), shown.
    ComparePanel* openCompare();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void importMenu();

    MainWindow& window_;
    JobSession& session_;
    EngineLibrary& engine_;
    SignalPage* signal_ = nullptr;
    ComparePanel* compare_ = nullptr;
};

} // namespace lumetra
