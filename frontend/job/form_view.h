// What the job commands need from the window; the widgets implement it.
#pragma once

#include "run_result.h"

#include <QString>

namespace lumetra {

class FormView {
  public:
    virtual ~FormView() = default;
    virtual void GetAnswers() = 0; // model to widgets, then the layout of the method's rows
    virtual void PutAnswers() = 0; // widgets to model
    virtual void ShowFilename() = 0;
    virtual void focusControl(const QString& name) = 0;
    virtual void showPage(int index) = 0;
    virtual void setPageEnabled(int index, bool enabled) = 0;
    virtual void setSubmitEnabled(bool enabled) = 0;
    virtual void SetRunControls(bool running) = 0;
    virtual void setRunBusy(bool busy, const QString& method) = 0;
    virtual void startPlot(const RunResult& result) = 0;
};

} // namespace lumetra
