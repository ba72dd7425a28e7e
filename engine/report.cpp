#include "report.h"

namespace specest {

Report::~Report() {
    close();
}

bool Report::open(const std::string& path) {
    close();
    buf_.clear();
    pending_.clear();
    written_ = 0;
    path_ = path;
    f_ = std::fopen(path.c_str(), "wb");
    return f_ != nullptr;
}

void Report::open_memory() {
    close();
    path_.clear();
    buf_.clear();
    pending_.clear();
    written_ = 0;
    in_memory_ = true;
}

void Report::flush_buffer() {
    if (f_ && !buf_.empty()) std::fwrite(buf_.data(), 1, buf_.size(), f_);
    written_ += buf_.size();
    buf_.clear();
}

void Report::close() {
    if (in_memory_) {
        if (!pending_.empty()) {
            buf_ += pending_;
            buf_ += '\n';
            pending_.clear();
        }
        in_memory_ = false;
        return;
    }
    if (!f_) return;
    if (!pending_.empty()) {
        buf_ += pending_;
        buf_ += '\n';
        pending_.clear();
    }
    flush_buffer();
    std::fclose(f_);
    f_ = nullptr;
}

void Report::line(std::string_view s) {
    if (!f_ && !in_memory_) return;
    if (!pending_.empty()) {
        buf_ += pending_;
        pending_.clear();
    }
    buf_.append(s);
    buf_ += '\n';
    if (f_ && buf_.size() > (1u << 16)) flush_buffer();
}

} // namespace specest
