// Line-by-line reading of the engine's text inputs, LF or CRLF, with line numbers for messages.
#pragma once

#include <string>
#include <vector>

namespace specest {

class TextFile {
  public:
    bool open(const std::string& path);
    bool is_open() const { return open_; }
    void close();
    // Next line without its line end; false at end of file.
    bool next(std::string& line);
    void rewind() { pos_ = 0; }
    int line_number() const { return static_cast<int>(pos_); } // of the line last read
    const std::string& path() const { return path_; }

  private:
    std::vector<std::string> lines_;
    std::size_t pos_ = 0;
    std::string path_;
    bool open_ = false;
};

} // namespace specest
