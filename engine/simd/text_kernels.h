// Byte scans of the text reader (text_file.cpp) in vector lanes.
#pragma once

#include <cstddef>

namespace specest::simd {

// The index of the first '\n' or '\r' in p[0 .. n), or n when there is none. Reads no byte past
// p + n.
std::size_t find_line_end(const char* p, std::size_t n);

} // namespace specest::simd
