#pragma once

#include "app/core/messages.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace mero::test {

// Records every message the core shows and gives set answers to Confirm (Cancel when none is left).
// Installs itself for its lifetime.
class RecordingSink : public MessageSink {
public:
    RecordingSink();
    ~RecordingSink() override;

    void error(const QString& text) override;
    ConfirmResult confirm(const QString& text) override;
    void info(const QString& text) override;
    void unhandled(const QString& text) override;
    void showProgress(int minimum, int maximum, int position) override;
    void hideProgress() override;
    void showInfo(const QString& text) override;
    void hideInfo() override;

    // Each entry: kind ("error", "confirm", "info", "unhandled") and text.
    QList<QPair<QString, QString>> messages;
    QList<ConfirmResult> answers;
    QStringList waitLog; // "progress min max pos", "hideProgress", "info text", "hideInfo"

    QStringList texts(const QString& kind) const;
    QStringList errors() const { return texts(QStringLiteral("error")); }
    void clear() { messages.clear(); waitLog.clear(); }

private:
    MessageSink* m_previous;
};

// Source and build folders of the project.
QString sourcePath(const QString& relative);
QString binaryPath(const QString& relative);

// The delivered database that the build produced (build/resources/data.db3).
QString deliveredDatabase();

// Copies a file into the folder and returns the copy's path (writable).
QString copyInto(const QTemporaryDir& dir, const QString& source, const QString& name = QString());

} // namespace mero::test
