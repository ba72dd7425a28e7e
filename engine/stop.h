// The engine's stop path: an input error or resource failure ends the run (never the process).
// The explanation is written to the run report before stop() is called; the entry point
// catches RunStopped, adds the stop text to the report, closes it and tells the caller.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace specest {

class RunStopped : public std::exception {
  public:
    explicit RunStopped(std::string text) : text_(std::move(text)) {}
    const char* what() const noexcept override { return text_.c_str(); }
    const std::string& text() const { return text_; }

  private:
    std::string text_;
};

[[noreturn]] inline void stop(std::string text) {
    throw RunStopped(std::move(text));
}

} // namespace specest
