#include "recent_jobs.h"

namespace lumetra {
namespace {

QString valueName(int i) {
    return QStringLiteral("Recent") + QString::number(i + 1);
}

} // namespace

QStringList recentJobs(const RegistryStore& store) {
    QStringList out;
    if (!store.keyExists(kCurrentUser, kProgramKey)) return out;
    for (int i = 0; i < kRecentJobCount; ++i) {
        const QString p =
            store.getValue(kCurrentUser, kProgramKey, valueName(i), kRegString, QString())
                .toString();
        if (!p.isEmpty() && !out.contains(p)) out << p;
    }
    return out;
}

void saveRecentJobs(RegistryStore& store, const QStringList& paths) {
    try {
        if (!store.keyExists(kCurrentUser, kProgramKey)) store.createKey(kCurrentUser, kProgramKey);
    } catch (const RegistryError&) {
        return; // a convenience: nothing fails for want of it
    }
    for (int i = 0; i < kRecentJobCount; ++i)
        store.setValue(kCurrentUser, kProgramKey, valueName(i), kRegString,
                       i < paths.size() ? paths.at(i) : QString());
}

QStringList withRecentJob(const QStringList& list, const QString& path) {
    QStringList out{path};
    for (const QString& p : list)
        if (p != path && out.size() < kRecentJobCount) out << p;
    return out;
}

QStringList dropMissingJobs(QStringList& list, const std::function<bool(const QString&)>& exists) {
    QStringList gone;
    for (qsizetype i = list.size() - 1; i >= 0; --i)
        if (!exists(list.at(i))) gone.prepend(list.takeAt(i));
    return gone;
}

} // namespace lumetra
