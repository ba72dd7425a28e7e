#include "report.h"

#include "work_array.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace specest {

Report::~Report() {
    close();
    work_pool::give_text(std::move(buf_));
    work_pool::give_text(std::move(kept_));
}

void Report::take_buffer() {
    if (buf_.capacity() < kFlushAt) {
        buf_ = work_pool::take_text();
        buf_.reserve(2 * kFlushAt);
    }
}

bool Report::open(const std::string& path, bool keep_all) {
    close();
    buf_.clear();
    pending_.clear();
    kept_.clear();
    kept_from_ = keep_all ? 0 : kNotKept;
    kept_end_ = kNotKept;
    written_ = 0;
    error_.clear();
    path_ = path;
    take_buffer();
    if (!file_.open(path)) {
        error_ = file_.reason();
        return false;
    }
    return true;
}

void Report::open_memory() {
    close();
    path_.clear();
    buf_.clear();
    pending_.clear();
    kept_.clear();
    kept_from_ = kNotKept;
    kept_end_ = kNotKept;
    written_ = 0;
    in_memory_ = true;
    take_buffer();
}

void Report::flush_buffer() {
    if (buf_.empty()) return;
    if (kept_from_ != kNotKept && (kept_from_ == 0 || kept_.size() < kKeptBytes)) {
        const std::size_t from = kept_from_ > written_ ? kept_from_ - written_ : 0;
        // A long listing's kept lines grow this one: the pool's block saves mapping and
        // faulting in its pages on every run.
        if (kept_.empty() && kept_.capacity() < kFlushAt) kept_ = work_pool::take_text();
        std::size_t to = buf_.size();
        if (kept_from_ != 0 && kept_end_ < written_ + to)
            to = kept_end_ > written_ ? kept_end_ - written_ : 0;
        if (from < to) kept_.append(buf_, from, to - from);
    }
    if (file_.is_open() && error_.empty() && !file_.write(buf_)) error_ = file_.reason();
    written_ += buf_.size();
    buf_.clear();
}

std::string Report::text_range(std::size_t begin, std::size_t end) const {
    if (end <= begin) return {};
    if (in_memory_ || (!file_.is_open() && path_.empty())) {
        if (end > buf_.size()) return {};
        return buf_.substr(begin, end - begin);
    }
    // Not yet flushed: still in the buffer.
    std::string all = kept_;
    // The unwritten rest follows on only where the kept text reaches the written end.
    if (kept_from_ != kNotKept && kept_from_ + kept_.size() >= written_) {
        const std::size_t from = kept_from_ > written_ ? kept_from_ - written_ : 0;
        if (from < buf_.size()) all.append(buf_, from, std::string::npos);
    }
    if (kept_from_ == kNotKept || begin < kept_from_) return {};
    const std::size_t b = begin - kept_from_;
    if (b >= all.size()) return {};
    return all.substr(b, std::min(end - begin, all.size() - b));
}

void Report::close() {
    if (!pending_.empty()) {
        buf_ += pending_;
        buf_ += '\n';
        pending_.clear();
    }
    if (in_memory_) {
        in_memory_ = false;
        return;
    }
    if (!file_.is_open()) return;
    flush_buffer();
    if (error_.empty()) {
        if (!file_.commit(false)) error_ = file_.reason();
    } else {
        file_.discard(); // the earlier report stays as it was
    }
}

void Report::line(std::string_view s) {
    if (!is_open()) return;
    if (!pending_.empty()) {
        buf_ += pending_;
        pending_.clear();
    }
    buf_.append(s);
    end_line();
}

void list_spectrum(Report& r, const float* x, const float* y, int n) {
    r.list_points(x, y, n);
}

// The lines list(" freq(i) & spectrum(i)=", i, x(i), y(i)) writes, put together in place.
void Report::list_points(const float* x, const float* y, int n) {
    if (!is_open()) return;
    if (!pending_.empty()) {
        buf_ += pending_;
        pending_.clear();
    }
    constexpr std::string_view head = "  freq(i) & spectrum(i)= ";
    char line[160];
    char* const end = line + sizeof line;
    std::memcpy(line, head.data(), head.size());
    for (int i = 0; i < n; ++i) {
        char* p = line + head.size();
        p = std::to_chars(p, end, i + 1).ptr;
        *p++ = ' ';
        p = std::to_chars(p, end, x[i]).ptr;
        *p++ = ' ';
        p = std::to_chars(p, end, y[i]).ptr;
        buf_.append(line, static_cast<std::size_t>(p - line));
        end_line();
    }
}

} // namespace specest
