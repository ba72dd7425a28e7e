// File > Recent: the last jobs opened or saved, newest first, kept in the settings store.
#pragma once

#include "registry_store.h"

#include <QStringList>
#include <functional>

namespace lumetra {

inline constexpr int kRecentJobCount = 4;

// The stored list, newest first, at most kRecentJobCount entries.
QStringList recentJobs(const RegistryStore& store);
void saveRecentJobs(RegistryStore& store, const QStringList& paths);
// path moved (or added) to the front; the oldest falls off.
QStringList withRecentJob(const QStringList& list, const QString& path);
// The entries whose file is gone, taken out of list; returned in their order.
QStringList dropMissingJobs(QStringList& list, const std::function<bool(const QString&)>& exists);

} // namespace lumetra
