#pragma once

#include <QByteArray>
#include <QString>

namespace mero {

// The one converter between the program's Unicode text and the Windows-1250 bytes held in the
// database. Every TEXT value read from or bound to SQLite, and every SQL text, passes through here.
class TextCodec {
public:
    TextCodec() = delete;

    // Windows-1250 bytes of the text. Throws EncodingError (with a Czech message naming the first
    // character that cannot be stored) when the text holds a character outside Windows-1250.
    static QByteArray encode(const QString& text);

    // Unicode text of Windows-1250 bytes. Every byte decodes (undefined code points map to U+FFFD).
    static QString decode(const char* data, qsizetype size);
    static QString decode(const QByteArray& bytes) { return decode(bytes.constData(), bytes.size()); }

    // True when every character of the text can be stored in Windows-1250.
    static bool canEncode(const QString& text);

    // The first character of the text that cannot be stored, or -1.
    static qsizetype firstUnencodable(const QString& text);

    // The Czech message for a text that cannot be stored, naming the offending character.
    static QString unencodableMessage(const QString& text);
};

} // namespace mero
