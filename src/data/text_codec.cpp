#include "data/text_codec.h"

#include "data/errors.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QList>

namespace mero {

namespace {

constexpr const char* kEncoding = "windows-1250";

bool encodesCleanly(QStringView text, QByteArray* out) {
    QStringEncoder encoder(kEncoding, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return false;
    if (out)
        *out = std::move(bytes);
    return true;
}

bool isAscii(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

} // namespace

QByteArray TextCodec::encode(const QString& text) {
    if (isAscii(text))
        return text.toLatin1();
    QByteArray bytes;
    if (!encodesCleanly(text, &bytes))
        throw EncodingError(unencodableMessage(text));
    return bytes;
}

QString TextCodec::decode(const char* data, qsizetype size) {
    bool ascii = true;
    for (qsizetype i = 0; i < size; ++i)
        if (static_cast<unsigned char>(data[i]) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii)
        return QString::fromLatin1(data, size);
    QStringDecoder decoder(kEncoding, QStringConverter::Flag::Stateless);
    return decoder.decode(QByteArrayView(data, size));
}

bool TextCodec::canEncode(const QString& text) {
    return isAscii(text) || encodesCleanly(text, nullptr);
}

qsizetype TextCodec::firstUnencodable(const QString& text) {
    if (canEncode(text))
        return -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        if (!encodesCleanly(QStringView(text).mid(i, len), nullptr))
            return i;
        i += len - 1;
    }
    return -1;
}

QString TextCodec::unencodableMessage(const QString& text) {
    qsizetype at = firstUnencodable(text);
    if (at < 0)
        return QString();
    qsizetype len = (text.at(at).isHighSurrogate() && at + 1 < text.size()) ? 2 : 1;
    QString ch = text.mid(at, len);
    return QStringLiteral("Znak \u201E%1\u201C (U+%2) nelze uložit, databáze podporuje pouze znaky "
                          "kódování Windows-1250.")
        .arg(ch)
        .arg(QString::number(ch.toUcs4().value(0), 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

} // namespace mero
