#pragma once

#include <QString>
#include <exception>
#include <string>

namespace mero {

// Base of every error the program raises on purpose. The message is the Czech text the user sees.
class MeroError : public std::exception {
public:
    explicit MeroError(QString message) : m_message(std::move(message)), m_utf8(m_message.toStdString()) {}
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
};

// An error reported by the database engine (or by our wrapper around it).
class DbError : public MeroError {
public:
    explicit DbError(QString message, int code = 0) : MeroError(std::move(message)), m_code(code) {}
    int code() const noexcept { return m_code; }

private:
    int m_code;
};

// Text that cannot be stored in a Windows-1250 column.
class EncodingError : public MeroError {
public:
    using MeroError::MeroError;
};

// A value that a field cannot take (text in a number column, a text longer than the column).
class FieldValueError : public MeroError {
public:
    using MeroError::MeroError;
};

// Cancels the operation that raised it. A rule inside a dataset event has already shown its message;
// the general error handler never reports this kind again. Deliberately not a MeroError.
class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "silent abort"; }
};

} // namespace mero
