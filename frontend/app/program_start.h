// The program's start: the introduction on a first start, the main form, and the proportional
// resizing of the main form.
#pragma once

#include "desktop_association.h"
#include "file_association.h"
#include "first_start.h"
#include "form_resizer.h"
#include "intro_form.h"

#include <QObject>
#include <functional>
#include <memory>

namespace lumetra {

class MainWindow;

// Records the main form's proportions once and applies them on every resize, followed by the
// job form's own relayout.
class MainFormResizer : public QObject {
    Q_OBJECT
  public:
    explicit MainFormResizer(MainWindow& window);

    void record();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    MainWindow& window_;
    std::unique_ptr<FormResizer> resizer_;
};

enum class StartOutcome {
    Running, // the main form is up
    Quit,    // the user left from the introduction
    Failed   // start-up could not go on (the reason was shown)
};

// What the introduction answered; the caller shows it (a dialog on screen, a script in tests).
using AskIntroduction = std::function<IntroChoice()>;

// The whole start: the first-start decision (which also checks the ".Out" association), the
// introduction when it is the first start, the main form's load, its resizer, and the way in
// the user chose. show: how the main form comes up (maximized on screen).
// desktop: where the desktop keeps user-level file associations; on a first start ".out" run
// reports are associated with the built-in viewer there unless an association exists.
StartOutcome startProgram(MainWindow& window, const QString& programDir, ClassStore& classes,
                          const AskIntroduction& askIntroduction,
                          const std::function<void(MainWindow&)>& show,
                          DesktopAssociation* desktop = nullptr);

} // namespace lumetra
