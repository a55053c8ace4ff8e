#pragma once

#include "data/data_module.h"

#include <QHash>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace mero::test {

// A settings store held in memory: key path -> (value name -> value).
class MemorySettings : public SettingsSource {
public:
    QHash<QString, QHash<QString, QString>> keys;
    bool keyExists(const QString& keyPath) const override { return keys.contains(keyPath); }
    std::optional<QString> value(const QString& keyPath, const QString& name) const override {
        auto k = keys.constFind(keyPath);
        if (k == keys.constEnd() || !k->contains(name))
            return std::nullopt;
        return k->value(name);
    }
};

// A small database with every table the data module opens, a few content columns per questionnaire
// table, the counters and a handful of code-list rows. No installation is activated.
void createFixtureSchema(const QString& path);

// Two agreements of installation 99999 (content keys 1 and 2, registrations 1 and 2) with their
// employer and union organisation, and one employer of installation 12345.
void fillFixtureRows(const QString& path);

// A data module connected to a fresh fixture database in dir, fields created and every dataset open.
std::unique_ptr<TData> openFixture(const QTemporaryDir& dir, bool withRows = true, bool activate = true);

} // namespace mero::test
