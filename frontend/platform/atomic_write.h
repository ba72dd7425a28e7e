// Every file the program writes goes through here: the old file stays whole unless every byte of
// the new one reached the disk.
#pragma once

#include <QByteArray>
#include <QString>

namespace lumetra {

// Replaces `path` with `bytes` through a temporary file in the same folder, renamed over it.
// On failure nothing at `path` changes and *error holds the system's reason.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace lumetra
