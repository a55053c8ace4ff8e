#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace mero {

// The text form of a composite key: the parts joined by the unit separator 0x1F, for example
// "12" 0x1F "99999". Lookups and key columns such as ID_ZOOS_INST carry it.
class KeyText {
public:
    KeyText() = delete;

    static constexpr QChar Separator = QChar(0x1F);

    // The parts joined by the separator; a NULL part is the empty text.
    static QString Join(const QVariantList& parts);
    static QString Join(const QVariant& first, const QVariant& second);
    // The text split at every separator.
    static QStringList Split(const QString& keyText);

    // One part read as a decimal integer (surrounding spaces allowed, nothing else); none when the
    // part is not an integer. Key texts reach SQL only through this, as bound integers.
    static std::optional<qlonglong> ParseInteger(const QString& part);

    // A key text of exactly two integer parts, or none.
    struct Pair {
        qlonglong id = 0;
        qlonglong installation = 0;
    };
    static std::optional<Pair> ParsePair(const QString& keyText);
};

} // namespace mero
