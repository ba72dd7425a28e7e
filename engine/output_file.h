// The one writer of output files, shared by the engine (the run report), specest-run and the
// front end. A file is written whole or not at all: into a temporary in the target's folder,
// named ".NAME.tmpPID-N" after the writer's process, renamed over the target at the end. Only
// regular files are replaced: a FIFO, device, socket or directory at the target is refused, and
// a symbolic link is replaced, never followed. A write over the file-size limit fails with
// EFBIG instead of ending the process (SIGXFSZ is held back in the writing thread only).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace specest::output {

// Why `path` cannot be an output ("" when it can): not a file name, or something other than a
// regular file or a symbolic link is there.
std::string refusal(const std::string& path);

// Removes, once per process and folder, the temporaries of this writer in `folder` whose
// process no longer runs (a killed writer's leftovers). Those of running processes stay.
void remove_stale_temporaries(const std::string& folder);

// Whether a file name is one of this writer's temporaries; *pid gets its writer's process.
bool is_temporary_name(std::string_view name, long* pid = nullptr);

class AtomicFile {
  public:
    AtomicFile() = default;
    ~AtomicFile(); // an uncommitted file is discarded
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Checks the target and creates the temporary; false with error() set when either fails.
    bool open(const std::string& path);
    bool write(std::string_view bytes);
    // Puts the file in place (after fsync when `sync`); false, with the target untouched, when
    // any write or this step failed.
    bool commit(bool sync = true);
    void discard();
    bool is_open() const { return fd_ >= 0; }
    // The first failure: the system's reason, prefixed with what was being done.
    const std::string& error() const { return error_; }
    // The same without "cannot write PATH: ", for callers that name the file themselves.
    std::string reason() const;
    const std::string& temporary_path() const { return temp_; }

  private:
    void fail(const std::string& what, int err);
    int fd_ = -1;
    std::string path_, temp_, error_;
};

// Writes `content` to `path` through AtomicFile. "" on success, else "cannot write PATH: why".
std::string write_file_atomically(const std::string& path, std::string_view content);

// Checks a command line's outputs before anything runs: each named once, none naming an input
// (the same file, links and relative names resolved). "" when they are fine, else why not.
// Empty names are skipped.
std::string check_outputs(const std::vector<std::pair<std::string, std::string>>& outputs,
                          const std::vector<std::string>& inputs);

} // namespace specest::output
