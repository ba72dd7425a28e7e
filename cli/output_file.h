// specest-run writes its outputs through the engine's one output writer (output_file.h there).
#pragma once

#include "../engine/output_file.h"

namespace specest::cli {

// Writes `content` to `path` whole or not at all. "" on success, else a message naming the file
// and the system's reason.
inline std::string write_file_atomically(const std::string& path, std::string_view content) {
    return output::write_file_atomically(path, content);
}

} // namespace specest::cli
