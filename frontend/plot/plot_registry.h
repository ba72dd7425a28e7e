// The plot options over the program's registry store (key "Software\Tavrenco\Lumetra").
#pragma once

#include "plot_options.h"

#include "registry_store.h"

namespace lumetra::plot {

class RegistryPlotStore : public PlotSettingsStore {
  public:
    explicit RegistryPlotStore(RegistryStore& registry, QString key = kProgramKey)
        : registry_(registry), key_(std::move(key)) {}
    bool keyExists() const override;
    // Throws RegistryError 1001 when the key cannot be created.
    void createKey() override;
    QVariant dword(const QString& name) const override;
    QVariant string(const QString& name) const override;
    void setDword(const QString& name, qint32 value) override;
    void setString(const QString& name, const QString& value) override;

  private:
    RegistryStore& registry_;
    QString key_;
};

} // namespace lumetra::plot
