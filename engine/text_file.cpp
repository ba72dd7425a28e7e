#include "text_file.h"

#include "work_array.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace specest {
namespace {

constexpr std::size_t kChunk = 1 << 16;

std::string kind_of(mode_t m) {
    if (S_ISDIR(m)) return "a directory";
    if (S_ISFIFO(m)) return "a FIFO";
    if (S_ISCHR(m)) return "a character device";
    if (S_ISBLK(m)) return "a block device";
    if (S_ISSOCK(m)) return "a socket";
    return "not a regular file";
}

} // namespace

TextFile::~TextFile() {
    close();
    work_pool::give_text(std::move(buf_));
}

bool TextFile::open(const std::string& path, long long max_bytes) {
    close();
    path_ = path;
    error_.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error_ = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error_ = "is " + kind_of(st.st_mode) + ", not a regular file";
        return false;
    }
    if (max_bytes >= 0 && st.st_size > max_bytes) {
        error_ = "is " + std::to_string(st.st_size) + " bytes long; at most " +
                 std::to_string(max_bytes) + " are expected";
        return false;
    }
    if (buf_.capacity() < kChunk) buf_ = work_pool::take_text();
    f_ = std::fopen(path.c_str(), "rb");
    if (!f_) {
        error_ = std::strerror(errno);
        return false;
    }
    rewind();
    return true;
}

void TextFile::close() {
    if (f_) std::fclose(f_);
    f_ = nullptr;
    buf_.clear();
    pos_ = 0;
    eof_ = false;
    line_ = 0;
}

void TextFile::rewind() {
    if (!f_) return;
    std::rewind(f_);
    buf_.clear();
    pos_ = 0;
    eof_ = false;
    line_ = 0;
}

// Moves the unread rest to the front and appends the next chunk; false at end of file.
bool TextFile::fill() {
    if (eof_) return false;
    buf_.erase(0, pos_);
    pos_ = 0;
    const std::size_t old = buf_.size();
    buf_.resize(old + kChunk);
    const std::size_t got = std::fread(buf_.data() + old, 1, kChunk, f_);
    buf_.resize(old + got);
    if (got == 0) {
        if (std::ferror(f_)) error_ = std::strerror(errno);
        eof_ = true;
        return false;
    }
    return true;
}

bool TextFile::next(std::string_view& line) {
    if (!f_) return false;
    for (;;) {
        const char* begin = buf_.data() + pos_;
        const std::size_t avail = buf_.size() - pos_;
        const char* lf = static_cast<const char*>(std::memchr(begin, '\n', avail));
        std::size_t end = lf ? static_cast<std::size_t>(lf - begin) : avail;
        if (const char* cr = static_cast<const char*>(std::memchr(begin, '\r', end)))
            end = static_cast<std::size_t>(cr - begin);
        if (end == avail || (begin[end] == '\r' && end + 1 == avail)) {
            // No line end yet, or a CR whose LF may start the next chunk: read on.
            if (fill()) continue;
            if (pos_ >= buf_.size()) return false;
        }
        begin = buf_.data() + pos_;
        const std::size_t rest = buf_.size() - pos_;
        std::size_t step = end < rest ? end + 1 : rest;
        if (end < rest && begin[end] == '\r' && end + 1 < rest && begin[end + 1] == '\n') ++step;
        line = std::string_view(begin, std::min(end, rest));
        pos_ += step;
        ++line_;
        return true;
    }
}

bool TextFile::next(std::string& line) {
    std::string_view v;
    if (!next(v)) return false;
    line.assign(v);
    return true;
}

} // namespace specest
