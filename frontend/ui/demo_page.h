// The "Demos" page: eighteen example jobs that run with one click.
#pragma once

#include "job_session.h"

#include <QWidget>
#include <array>

class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;

namespace lumetra {

class RunPipeline;

struct DemoExample {
    QString file;        // job file in the working directory
    QString description; // what the row says after the file name
    QString marker;      // group marker after the description, or empty
    QString time;        // approximate run time in seconds
};

inline constexpr int kDemoCount = 18;
// Entry 6 is what the page selects when it opens.
inline constexpr int kDefaultDemo = 6;

// Entries 1..18 (element 0 is entry 1).
const std::array<DemoExample, kDemoCount>& demoExamples();
// The entries as they stand on the page, top to bottom: 6..18, then the zero-padding series.
const std::array<int, kDemoCount>& demoPageOrder();
// The description with its group marker after a run of blanks.
QString demoDescriptionText(const DemoExample& example);

inline const QString kDemoHeading = QStringLiteral(
    "Select a Lumetra example from the list below for your demo run.  Note the approximate run "
    "time for your chosen problem.  (These times were for a 486/500 PC.)  After calculations, "
    "Lumetra\u2122 will display some output text and a graph.");
inline const QString kDemoFooter = QStringLiteral("Compare Results ... which is best?");

class DemoPage : public QWidget {
    Q_OBJECT
  public:
    DemoPage(JobSession& session, RunPipeline& pipeline, QWidget* parent = nullptr);

    QString selectedExample() const { return selected_; }
    QRadioButton* exam(int index) const { return exam_.at(index - 1); }
    QLabel* description(int index) const { return description_.at(index - 1); }
    QLabel* exTime(int index) const { return exTime_.at(index - 1); }
    QPushButton* runButton() const { return cmdRunDemo_; }
    QPushButton* cancelButton() const { return cmdCancelDemo_; }
    // The example rows top to bottom, as entry indexes.
    QList<int> rowsOnPage() const;

    void setRunButtonsEnabled(bool enabled);

    void openDemos();  // open the page (Demos, Run Demo ...)
    void runDemo();    // run the selected example
    void cancelDemo(); // back to the job form

  private:
    void selectExample(int index);
    FormView* view() const { return session_.view(); }

    JobSession& session_;
    RunPipeline& pipeline_;
    QString selected_;
    std::array<QRadioButton*, kDemoCount> exam_{};
    std::array<QLabel*, kDemoCount> description_{};
    std::array<QLabel*, kDemoCount> exTime_{};
    QPushButton* cmdRunDemo_ = nullptr;
    QPushButton* cmdCancelDemo_ = nullptr;
    QGridLayout* grid_ = nullptr;
};

} // namespace lumetra
