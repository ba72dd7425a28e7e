#include "plot_registry.h"

namespace lumetra::plot {

bool RegistryPlotStore::keyExists() const {
    return registry_.keyExists(kCurrentUser, key_);
}

void RegistryPlotStore::createKey() {
    registry_.createKey(kCurrentUser, key_);
}

QVariant RegistryPlotStore::dword(const QString& name) const {
    return registry_.getValue(kCurrentUser, key_, name, kRegDword, QVariant());
}

QVariant RegistryPlotStore::string(const QString& name) const {
    return registry_.getValue(kCurrentUser, key_, name, kRegString, QVariant());
}

void RegistryPlotStore::setDword(const QString& name, qint32 value) {
    registry_.setValue(kCurrentUser, key_, name, kRegDword, value);
}

void RegistryPlotStore::setString(const QString& name, const QString& value) {
    registry_.setValue(kCurrentUser, key_, name, kRegString, value);
}

} // namespace lumetra::plot
