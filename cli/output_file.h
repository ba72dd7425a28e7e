// Output files are written whole or not at all: into a temporary file in the target's folder,
// renamed over the target once every byte is on disk. A run that fails, or is killed, leaves
// the previous file as it was.
#pragma once

#include <string>
#include <string_view>

namespace specest::cli {

// Writes `content` to `path`. A symbolic link at `path` is replaced, never followed; any other
// file that is not a regular file (device, FIFO, directory) is refused. Returns an empty string
// on success, else a message naming the file and the system's reason.
std::string write_file_atomically(const std::string& path, std::string_view content);

} // namespace specest::cli
