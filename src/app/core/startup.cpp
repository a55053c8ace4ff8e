#include "app/core/startup.h"

#include "app/core/messages.h"
#include "app/core/system.h"
#include "app/core/updates.h"
#include "data/connection.h"
#include "data/errors.h"

#include <QDir>

namespace mero {

bool SettingsStoreSource::keyExists(const QString& keyPath) const {
    return m_store.openKey(keyPath).has_value();
}

std::optional<QString> SettingsStoreSource::value(const QString& keyPath, const QString& name) const {
    const auto key = m_store.openKey(keyPath);
    if (!key)
        return std::nullopt;
    return key->value(name);
}

void Startup::CheckUpdater() {
    CheckForProgramUpdate(QString::fromLatin1(kAutoUpdateKey));
}

void Startup::ConfigureDataModule(TData& data, const SettingsSource& settings) {
    data.setSettingsSource(&settings);
    data.setAppDataPathProvider([] { return AppDataPath(); });
    data.setLogger([](const QString& text) { Log(text); });
}

bool Startup::OpenAndPrepare(TData& data) {
    if (!data.OpenDatabase(QString::fromLatin1(kProgramKey)))
        return false;

    if (!TUpdates::ApplyUpdates(data.DataBase))
        TMessages::Error(QStringLiteral("Aktualizace dat se nezdařila!"));

    // A database that opens but whose tables cannot be read is of no use: say so and end.
    try {
        data.CreateFields();
        data.OpenAll();
    } catch (const SilentAbort&) {
        return false;
    } catch (const std::exception& e) {
        const auto* m = dynamic_cast<const MeroError*>(&e);
        TMessages::Error(QStringLiteral("Databázi nelze otevřít.\r\n[Cesta: \"%1\"]\r\n[%2]")
                             .arg(QDir::toNativeSeparators(data.DataBase->path()),
                                  m ? m->message() : QString::fromUtf8(e.what())));
        return false;
    }

    if (data.InstallationId() == 0)
        data.ActivateInstallation(); // the program runs on either way
    return true;
}

} // namespace mero
