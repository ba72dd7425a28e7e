// The one way the front end talks back to the window: the job commands, the run, the demo
// page and the plot pages call these; the main window implements them.
#pragma once

#include "run_result.h"

#include <QString>

namespace lumetra {

class FormView {
  public:
    virtual ~FormView() = default;
    virtual void getAnswers() = 0; // model to widgets, then the layout of the method's rows
    virtual void putAnswers() = 0; // widgets to model
    virtual void showFilename() = 0;
    virtual void focusControl(const QString& name) = 0;
    virtual void showPage(int index) = 0;
    virtual void setPageEnabled(int index, bool enabled) = 0;
    virtual void setSubmitEnabled(bool enabled) = 0;
    virtual void setRunControls(bool running) = 0;
    virtual void setRunBusy(bool busy, const QString& method) = 0;
    virtual void startPlot(const RunResult& result) = 0;
    // The File and Demos menus: what a page asks; the window keeps them on except while a run
    // is in progress, so they are reachable from every page.
    virtual void setMenus(bool on) = 0;
    virtual void setPlotControls(bool on) = 0; // the plot-setup controls of the Setup page
};

} // namespace lumetra
