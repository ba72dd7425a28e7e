#include "report.h"

namespace specest {

Report::~Report() {
    close();
}

bool Report::open(const std::string& path) {
    close();
    path_ = path;
    f_ = std::fopen(path.c_str(), "wb");
    return f_ != nullptr;
}

void Report::flush_buffer() {
    if (f_ && !buf_.empty()) std::fwrite(buf_.data(), 1, buf_.size(), f_);
    buf_.clear();
}

void Report::close() {
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
    if (!f_) return;
    if (!pending_.empty()) {
        buf_ += pending_;
        pending_.clear();
    }
    buf_.append(s);
    buf_ += '\n';
    if (buf_.size() > (1u << 16)) flush_buffer();
}

} // namespace specest
