#include "report.h"

#include "work_array.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace specest {
namespace {

std::atomic<unsigned> temp_counter{0};

} // namespace

Report::~Report() {
    close();
    work_pool::give_text(std::move(buf_));
}

void Report::take_buffer() {
    if (buf_.capacity() < kFlushAt) {
        buf_ = work_pool::take_text();
        buf_.reserve(2 * kFlushAt);
    }
}

bool Report::open(const std::string& path) {
    close();
    buf_.clear();
    pending_.clear();
    written_ = 0;
    error_.clear();
    path_ = path;
    take_buffer();
    // A name of its own per run, so runs on other threads or in other processes never meet.
    temp_path_ = path + ".tmp" + std::to_string(::getpid()) + "-" +
                 std::to_string(temp_counter.fetch_add(1));
    const int fd = ::open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    f_ = ::fdopen(fd, "wb");
    if (!f_) {
        error_ = std::strerror(errno);
        ::close(fd);
        ::unlink(temp_path_.c_str());
        return false;
    }
    return true;
}

void Report::fail(int err) {
    if (error_.empty()) error_ = std::strerror(err ? err : EIO);
}

void Report::open_memory() {
    close();
    path_.clear();
    buf_.clear();
    pending_.clear();
    written_ = 0;
    in_memory_ = true;
    take_buffer();
}

void Report::flush_buffer() {
    if (f_ && !buf_.empty() && error_.empty() &&
        std::fwrite(buf_.data(), 1, buf_.size(), f_) != buf_.size())
        fail(errno);
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
    if (std::fflush(f_) != 0) fail(errno);
    if (std::fclose(f_) != 0) fail(errno);
    f_ = nullptr;
    if (error_.empty() && std::rename(temp_path_.c_str(), path_.c_str()) != 0) fail(errno);
    if (!error_.empty()) ::unlink(temp_path_.c_str()); // the earlier report stays as it was
}

void Report::line(std::string_view s) {
    if (!f_ && !in_memory_) return;
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
