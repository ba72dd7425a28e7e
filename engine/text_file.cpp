#include "text_file.h"

#include <cstdio>

namespace specest {

bool TextFile::open(const std::string& path) {
    close();
    path_ = path;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::string all;
    char buf[1 << 16];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) all.append(buf, got);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return false;
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        std::size_t stop = end;
        if (stop > start && all[stop - 1] == '\r') --stop;
        lines_.emplace_back(all, start, stop - start);
        start = end + 1;
    }
    open_ = true;
    pos_ = 0;
    return true;
}

void TextFile::close() {
    lines_.clear();
    pos_ = 0;
    open_ = false;
}

bool TextFile::next(std::string& line) {
    if (pos_ >= lines_.size()) return false;
    line = lines_[pos_++];
    return true;
}

} // namespace specest
