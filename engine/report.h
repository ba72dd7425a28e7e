// The run report "~Lumetra.out": the engine's only log. Free-form lines follow a Fortran-like
// list layout; formatted lines are built with Line and written whole.
#pragma once

#include "fortran_format.h"
#include "output_file.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>

namespace specest {

// A formatted line under construction; each call appends one edit descriptor's worth.
class Line {
  public:
    Line& a(std::string_view s) {
        s_.append(s);
        return *this;
    }
    Line& x(int n) { return rep(' ', n); }
    Line& rep(char c, int n) {
        if (n > 0) s_.append(static_cast<size_t>(n), c);
        return *this;
    }
    Line& i(long long v, int w) {
        fmt::append_i(s_, v, w);
        return *this;
    }
    Line& e(double v, int w, int d) {
        fmt::append_e(s_, v, w, d);
        return *this;
    }
    Line& pe(double v, int w, int d) {
        fmt::append_pe(s_, v, w, d);
        return *this;
    }
    Line& f(double v, int w, int d) {
        fmt::append_f(s_, v, w, d);
        return *this;
    }
    // Text padded with blanks to w columns; a longer text is kept whole.
    Line& a_padded(std::string_view s, int w) {
        s_.append(s);
        if (static_cast<int>(s.size()) < w) s_.append(static_cast<size_t>(w) - s.size(), ' ');
        return *this;
    }
    // Moves to column c (1-based), padding with blanks.
    Line& col(int c) {
        if (static_cast<int>(s_.size()) < c - 1)
            s_.append(static_cast<size_t>(c - 1) - s_.size(), ' ');
        return *this;
    }
    const std::string& str() const { return s_; }

  private:
    std::string s_;
};

class Report {
  public:
    Report() = default;
    ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    // Writes to a temporary file beside `path` through the one output writer; close() puts it
    // in place whole (a symlink at `path` is replaced, never followed). Returns false when it
    // cannot be created. `keep_all`: the whole text also stays in memory (text()).
    bool open(const std::string& path, bool keep_all = false);
    // Keeps the text in memory instead (text() after close()).
    void open_memory();
    void close();
    bool is_open() const { return file_.is_open() || in_memory_; }
    // The text: in memory, or written to a file opened with keep_all (after close()).
    const std::string& text() const { return in_memory_ || kept_from_ != 0 ? buf_ : kept_; }
    // Bytes written so far: a mark to take the text from later. The text from the first mark
    // on stays in memory (up to kKeptBytes), so a run quotes its own lines, never the file,
    // which another run may have replaced meanwhile.
    std::size_t mark() const {
        const std::size_t m = written_ + buf_.size() + pending_.size();
        if (kept_from_ == kNotKept) kept_from_ = m;
        return m;
    }
    // The text between two marks, as far as it is kept.
    std::string text_range(std::size_t begin, std::size_t end) const;
    // A run quotes nothing past `end`: later lines need not stay in memory (all of them still
    // do when open() asked for the whole text).
    void keep_until(std::size_t end) { kept_end_ = end; }
    const std::string& path() const { return path_; }
    // After close(): whether the file was written whole, and if not, the system's reason.
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    // Writes a finished line (a line end is added).
    void line(std::string_view s);
    void line(const Line& l) { line(l.str()); }
    void blank() { line(std::string_view()); }
    void blanks(int n) {
        for (int k = 0; k < n; ++k) blank();
    }
    // The free-form lines of a spectrum listing (see list_spectrum).
    void list_points(const float* x, const float* y, int n);
    // Writes text without ending the line: the next line continues it.
    void partial(std::string_view s) { pending_.append(s); }

    // Free-form line: one leading blank, items in order; a blank separates two items unless
    // both are texts (adjacent texts run together, as list-directed output writes them).
    template <class... Items> void list(const Items&... items) {
        if (!is_open()) return;
        // Built in place at the end of the buffer: no string per line.
        if (!pending_.empty()) {
            buf_ += pending_;
            pending_.clear();
        }
        buf_ += ' ';
        bool prev_text = true;
        bool first = true;
        (append_item(buf_, items, prev_text, first), ...);
        end_line();
    }

  private:
    template <class T>
    static void append_item(std::string& s, const T& v, bool& prev_text, bool& first) {
        using U = std::decay_t<T>;
        if constexpr (std::is_convertible_v<const T&, std::string_view>) {
            if (!first && !prev_text) s += ' ';
            s.append(std::string_view(v));
            prev_text = true;
        } else {
            if (!first) s += ' ';
            if constexpr (std::is_floating_point_v<U>)
                fmt::append_general(s, v);
            else
                fmt::append_int(s, static_cast<long long>(v));
            prev_text = false;
        }
        first = false;
    }
    static constexpr std::size_t kFlushAt = std::size_t{1} << 16;
    static constexpr std::size_t kNotKept = static_cast<std::size_t>(-1);
    static constexpr std::size_t kKeptBytes = std::size_t{4} << 20;
    void flush_buffer();
    void take_buffer();
    void end_line() {
        buf_ += '\n';
        if (file_.is_open() && buf_.size() > kFlushAt) flush_buffer();
    }

    output::AtomicFile file_;
    std::string error_;
    mutable std::size_t kept_from_ = kNotKept; // where kept_ starts (0: everything)
    std::size_t kept_end_ = kNotKept;          // where kept_ may end (see keep_until)
    std::string kept_;
    bool in_memory_ = false;
    std::size_t written_ = 0; // bytes already in the file
    std::string path_;
    std::string buf_;
    std::string pending_;
};

// The report's listing of a spectrum, one free-form line per grid point:
// " freq(i) & spectrum(i)= i x(i) y(i)".
void list_spectrum(Report& r, const float* x, const float* y, int n);

} // namespace specest
