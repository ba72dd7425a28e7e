#include "text_file.h"

#include "simd/text_kernels.h"
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

std::string quote_field(std::string_view s) {
    if (s.size() <= kMaxQuoted) return "\"" + std::string(s) + "\"";
    std::size_t n = kMaxQuoted;
    // Not inside a UTF-8 sequence: back off its continuation bytes.
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    return "\"" + std::string(s.substr(0, n)) + "...\" (" + std::to_string(s.size()) + " bytes)";
}

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
    scanned_ = 0;
    eof_ = false;
    line_ = 0;
}

void TextFile::rewind() {
    if (!f_) return;
    std::rewind(f_);
    buf_.clear();
    pos_ = 0;
    scanned_ = 0;
    error_.clear();
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

bool TextFile::too_long() {
    error_ = "the line is longer than " + std::to_string(kMaxLineBytes) +
             " bytes (1 MiB); no line of a job or data file is that long";
    ++line_;
    return false;
}

bool TextFile::next(std::string_view& line) {
    if (!f_ || !error_.empty()) return false;
    constexpr std::size_t none = std::string::npos;
    for (;;) {
        const std::size_t avail = buf_.size() - pos_;
        const char* begin = buf_.data() + pos_;
        // Only bytes not yet looked at are searched, so a long line costs its length once.
        const std::size_t at = scanned_ + simd::find_line_end(begin + scanned_, avail - scanned_);
        std::size_t end = at < avail ? at : none;
        if (end == none || (begin[end] == '\r' && end + 1 == avail)) {
            // No line end yet, or a CR whose LF may start the next chunk: read on.
            scanned_ = end == none ? avail : end;
            if (scanned_ > kMaxLineBytes) return too_long();
            if (fill()) continue; // fill() keeps offsets from pos_
            if (!error_.empty() || avail == 0) return false;
            if (end == none) end = avail; // the last line has no line end
        }
        begin = buf_.data() + pos_;
        if (end > kMaxLineBytes) return too_long();
        std::size_t step = end < avail ? end + 1 : avail;
        if (end < avail && begin[end] == '\r' && end + 1 < avail && begin[end + 1] == '\n') ++step;
        line = std::string_view(begin, end);
        pos_ += step;
        scanned_ = 0;
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
