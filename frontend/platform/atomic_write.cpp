#include "atomic_write.h"

#include "output_file.h"

namespace lumetra {

// The engine's one output writer: regular files only (a FIFO, device or directory is refused,
// a symbolic link replaced, not followed), a temporary named with this process beside the
// target, EFBIG instead of SIGXFSZ over the file-size limit.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    const std::string why = specest::output::write_file_atomically(
        path.toLocal8Bit().toStdString(),
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (why.empty()) return true;
    if (error) {
        // The reason without the "cannot write PATH: " the callers add themselves.
        const std::string prefix = "cannot write " + path.toLocal8Bit().toStdString() + ": ";
        *error = QString::fromLocal8Bit(
            why.rfind(prefix, 0) == 0 ? why.substr(prefix.size()).c_str() : why.c_str());
    }
    return false;
}

} // namespace lumetra
