#include "data/key_text.h"

#include <QDate>

namespace mero {

QString KeyText::Join(const QVariantList& parts) {
    QString out;
    for (int i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out += Separator;
        const QVariant& v = parts.at(i);
        if (!v.isValid() || v.isNull())
            continue;
        switch (v.typeId()) {
        case QMetaType::Double: {
            const double d = v.toDouble();
            out += QString::number(d, 'g', 15);
            break;
        }
        case QMetaType::Bool:
            out += v.toBool() ? QStringLiteral("Y") : QStringLiteral("N");
            break;
        case QMetaType::QDate:
            out += v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
            break;
        default:
            out += v.toString();
        }
    }
    return out;
}

QString KeyText::Join(const QVariant& first, const QVariant& second) {
    return Join(QVariantList{first, second});
}

QStringList KeyText::Split(const QString& keyText) {
    return keyText.split(Separator);
}

std::optional<qlonglong> KeyText::ParseInteger(const QString& part) {
    const QString t = part.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c.unicode() >= '0' && c.unicode() <= '9')
            continue;
        if (i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+')) && t.size() > 1)
            continue;
        return std::nullopt;
    }
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

std::optional<KeyText::Pair> KeyText::ParsePair(const QString& keyText) {
    const QStringList parts = Split(keyText);
    if (parts.size() != 2)
        return std::nullopt;
    const auto id = ParseInteger(parts.at(0));
    const auto inst = ParseInteger(parts.at(1));
    if (!id || !inst)
        return std::nullopt;
    return Pair{*id, *inst};
}

} // namespace mero
