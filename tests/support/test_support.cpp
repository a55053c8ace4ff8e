#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace mero::test {

RecordingSink::RecordingSink() : m_previous(TMessages::setSink(this)) {}

RecordingSink::~RecordingSink() {
    TMessages::setSink(m_previous);
}

void RecordingSink::error(const QString& text) {
    messages.append({QStringLiteral("error"), text});
}

ConfirmResult RecordingSink::confirm(const QString& text) {
    messages.append({QStringLiteral("confirm"), text});
    return answers.isEmpty() ? ConfirmResult::Cancel : answers.takeFirst();
}

void RecordingSink::info(const QString& text) {
    messages.append({QStringLiteral("info"), text});
}

void RecordingSink::unhandled(const QString& text) {
    messages.append({QStringLiteral("unhandled"), text});
}

void RecordingSink::showProgress(int minimum, int maximum, int position) {
    waitLog.append(QStringLiteral("progress %1 %2 %3").arg(minimum).arg(maximum).arg(position));
}

void RecordingSink::hideProgress() {
    waitLog.append(QStringLiteral("hideProgress"));
}

void RecordingSink::showInfo(const QString& text) {
    waitLog.append(QStringLiteral("info ") + text);
}

void RecordingSink::hideInfo() {
    waitLog.append(QStringLiteral("hideInfo"));
}

QStringList RecordingSink::texts(const QString& kind) const {
    QStringList out;
    for (const auto& m : messages)
        if (m.first == kind)
            out.append(m.second);
    return out;
}

QString sourcePath(const QString& relative) {
    return QDir(QStringLiteral(MERO_SOURCE_DIR)).filePath(relative);
}

QString binaryPath(const QString& relative) {
    return QDir(QStringLiteral(MERO_BINARY_DIR)).filePath(relative);
}

QString deliveredDatabase() {
    return binaryPath(QStringLiteral("resources/data.db3"));
}

QString copyInto(const QTemporaryDir& dir, const QString& source, const QString& name) {
    const QString target = dir.filePath(name.isEmpty() ? QFileInfo(source).fileName() : name);
    QFile::remove(target);
    QFile::copy(source, target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return target;
}

} // namespace mero::test
