#include "program_start.h"

#include "demo_page.h"
#include "job_form.h"
#include "main_window.h"

#include <QEvent>

namespace lumetra {

namespace {

// Qt's high-DPI scaling sizes every text, tab, menu and indicator for the screen's density;
// the proportional rule places and sizes the controls on top of it. Text that also followed
// the window's height would outgrow the menus and indicators on a large screen.
ResizeControls::Units mainFormUnits() {
    ResizeControls::Units u = ResizeControls::pixels();
    u.textFollowsHeight = false;
    return u;
}

} // namespace

MainFormResizer::MainFormResizer(MainWindow& window)
    : QObject(&window), window_(window),
      resizer_(std::make_unique<FormResizer>(&window, mainFormUnits())) {
    // The job form places its rows itself in fixed design units each time the method changes;
    // moving some of them proportionally would let them overlap the rest.
    if (JobForm* form = window.jobForm()) {
        for (QWidget* w : form->findChildren<QWidget*>())
            w->setProperty(kResizeTypeProperty, QStringLiteral("Timer"));
        // Nor does it take the tab control's text size.
        QFont f = form->font();
        f.setPointSizeF(f.pointSizeF());
        form->setFont(f);
    }
    window.installEventFilter(this);
}

void MainFormResizer::record() {
    resizer_->record();
}

bool MainFormResizer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::Resize && resizer_->model().recorded()) {
        resizer_->apply();
        if (JobForm* form = window_.jobForm()) form->showMethodQuestions();
    }
    return QObject::eventFilter(watched, event);
}

StartOutcome startProgram(MainWindow& window, const QString& programDir, ClassStore& classes,
                          const AskIntroduction& askIntroduction,
                          const std::function<void(MainWindow&)>& show,
                          DesktopAssociation* desktop) {
    const StartDecision decision = introLoad(programDir, classes, desktop);
    IntroChoice choice = IntroChoice::CreateData;
    if (decision.route == StartRoute::Introduction) {
        choice = askIntroduction ? askIntroduction() : IntroChoice::Exit;
        if (choice == IntroChoice::Exit) return StartOutcome::Quit;
    }
    if (!window.formLoad()) return StartOutcome::Failed;
    // The design size is what the proportions are taken against.
    auto* resizer = new MainFormResizer(window);
    resizer->record();
    if (show) show(window);
    if (choice == IntroChoice::RunDemo)
        window.demoPage()->openDemos();
    else
        window.focusControl(QStringLiteral("timeData"));
    return StartOutcome::Running;
}

} // namespace lumetra
