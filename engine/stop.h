// The engine's stop path: an input error or resource failure ends the run (never the process).
// The explanation is written to the run report before stop() is called; the entry point
// catches RunStopped, adds the stop text to the report, closes it and tells the caller.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace specest {

// Why a run stopped: its input (the job, the samples) or the machine (memory).
enum class StopKind { input, resource };

class RunStopped : public std::exception {
  public:
    explicit RunStopped(std::string text, StopKind kind = StopKind::input)
        : text_(std::move(text)), kind_(kind) {}
    const char* what() const noexcept override { return text_.c_str(); }
    const std::string& text() const { return text_; }
    StopKind kind() const { return kind_; }

  private:
    std::string text_;
    StopKind kind_;
};

[[noreturn]] inline void stop(std::string text, StopKind kind = StopKind::input) {
    throw RunStopped(std::move(text), kind);
}

} // namespace specest
