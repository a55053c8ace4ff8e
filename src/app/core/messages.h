#pragma once

#include <QString>

namespace mero {

// What the user answered in a confirmation dialog. Escape gives Cancel, never No.
enum class ConfirmResult { Yes, No, Cancel };

// The seam between the core and the screen. The widgets library installs an implementation that
// shows real dialogs and wait windows; tests install one that records texts and gives set answers.
// Without an installed implementation, messages go to standard error and Confirm answers Cancel.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void error(const QString& text) = 0;
    virtual ConfirmResult confirm(const QString& text) = 0;
    virtual void info(const QString& text) = 0;
    // The unhandled-error box of the event loop: application title as caption, stop icon.
    virtual void unhandled(const QString& text) = 0;

    // Wait windows (non-modal). Default: nothing shown.
    virtual void showProgress(int minimum, int maximum, int position);
    virtual void hideProgress();
    virtual void showInfo(const QString& text);
    virtual void hideInfo();
};

// The three message dialogs: "Chyba"/OK, "Potvrzení"/Ano-Ne (Escape = cancel), "Informace"/OK.
class TMessages {
public:
    TMessages() = delete;
    static void Error(const QString& text);
    static ConfirmResult Confirm(const QString& text);
    static void Info(const QString& text);

    // The general handler's report of an error that no operation handled.
    static void Unhandled(const QString& text);

    // Installs the sink (not owned); returns the previous one. nullptr restores the default.
    static MessageSink* setSink(MessageSink* sink);
    static MessageSink* sink();
};

// The two wait windows.
void ShowProgress(int minimum, int maximum, int position);
void HideProgress();
void ShowInfo(const QString& text);
void HideInfo();

} // namespace mero
