// Line-by-line reading of the engine's text inputs as a stream: LF, CRLF or a bare CR ends a
// line; line numbers for messages. Only regular files are opened (a FIFO or a device would
// block or never end), and a file may be given a size limit. Each byte is looked at once, and
// a line longer than kMaxLineBytes is refused, so reading is linear in the file and bounded.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace specest {

// No line of a job or data file is anywhere near this long; past it the file is not one.
constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;
// The most of a bad field a message quotes.
constexpr std::size_t kMaxQuoted = 80;

// `s` in double quotes, cut to kMaxQuoted bytes (at a UTF-8 character boundary) with "..."
// after the cut.
std::string quote_field(std::string_view s);

class TextFile {
  public:
    TextFile() = default;
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // False when the file cannot be read; error() then says why.
    bool open(const std::string& path, long long max_bytes = -1);
    bool is_open() const { return f_ != nullptr; }
    void close();
    // Next line without its line end; false at end of file, or with error() set when the line
    // is longer than kMaxLineBytes (line_number() is then that line's). The view lasts until the
    // next call.
    bool next(std::string_view& line);
    bool next(std::string& line);
    void rewind();
    int line_number() const { return line_; } // of the line last read
    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }

  private:
    bool fill();
    bool too_long();

    std::FILE* f_ = nullptr;
    std::string path_;
    std::string error_;
    std::string buf_;
    std::size_t pos_ = 0;
    std::size_t scanned_ = 0; // bytes after pos_ known to hold no line end
    bool eof_ = false;
    int line_ = 0;
};

} // namespace specest
