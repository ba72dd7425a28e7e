// Small file helpers shared by the file commands, the run and start-up.
#pragma once

#include "registry_store.h"
#include "user_interaction.h"

#include <QString>

namespace lumetra {

// Copies source over target at once (replacing it). A missing source shows
// "\"source\" is not a valid file name." and copies nothing. Returns whether it copied.
bool copyFile(const QString& source, const QString& target, UserInteraction& ui);

// Paths are used as they are on this platform.
QString shortPathName(const QString& path);

// The remembered job directory, when it is an absolute local path; else empty.
QString lastFilePath(const RegistryStore& store);
void saveLastFilePath(RegistryStore& store, const QString& directory);

// The rule for a remembered directory: absolute, not a network (//host) path.
bool isLocalAbsolutePath(const QString& path);

} // namespace lumetra
