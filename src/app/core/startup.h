#pragma once

#include "data/data_module.h"
#include "data/settings_store.h"

namespace mero {

// The application title, also the caption of the main window.
inline constexpr const char* kApplicationTitle = "Lokální pořizovací program MERO";

// The data module's view of the read-only settings store.
class SettingsStoreSource : public SettingsSource {
public:
    SettingsStoreSource() = default;
    explicit SettingsStoreSource(SettingsStore store) : m_store(std::move(store)) {}
    bool keyExists(const QString& keyPath) const override;
    std::optional<QString> value(const QString& keyPath, const QString& name) const override;
    const SettingsStore& store() const { return m_store; }

private:
    SettingsStore m_store;
};

// The start-up sequence, apart from the window toolkit's own steps (which main() does).
class Startup {
public:
    Startup() = delete;

    // Step 1: starts the external program updater when it is due. Before the toolkit exists.
    static void CheckUpdater();

    // Step 3: gives a new data module its settings store, application-data folder and log.
    static void ConfigureDataModule(TData& data, const SettingsSource& settings);

    // Steps 4 to 8: opens the database, applies the data updates, creates the fields, opens every
    // dataset and activates the installation when the database has none. False when the program must
    // end: the database could not be opened or its datasets could not be read (each reported already).
    static bool OpenAndPrepare(TData& data);
};

} // namespace mero
