#include "app/core/messages.h"

#include <cstdio>

namespace mero {

void MessageSink::showProgress(int, int, int) {}
void MessageSink::hideProgress() {}
void MessageSink::showInfo(const QString&) {}
void MessageSink::hideInfo() {}

namespace {

class StderrSink final : public MessageSink {
public:
    void error(const QString& text) override { print("Chyba", text); }
    ConfirmResult confirm(const QString& text) override {
        print("Potvrzení", text);
        return ConfirmResult::Cancel;
    }
    void info(const QString& text) override { print("Informace", text); }
    void unhandled(const QString& text) override { print("Lokální pořizovací program MERO", text); }

private:
    static void print(const char* caption, const QString& text) {
        std::fprintf(stderr, "%s: %s\n", caption, text.toLocal8Bit().constData());
    }
};

StderrSink g_stderrSink;
MessageSink* g_sink = nullptr;

MessageSink& current() {
    return g_sink ? *g_sink : static_cast<MessageSink&>(g_stderrSink);
}

} // namespace

void TMessages::Error(const QString& text) {
    current().error(text);
}

ConfirmResult TMessages::Confirm(const QString& text) {
    return current().confirm(text);
}

void TMessages::Info(const QString& text) {
    current().info(text);
}

void TMessages::Unhandled(const QString& text) {
    current().unhandled(text);
}

MessageSink* TMessages::setSink(MessageSink* sink) {
    MessageSink* previous = g_sink;
    g_sink = sink;
    return previous;
}

MessageSink* TMessages::sink() {
    return &current();
}

void ShowProgress(int minimum, int maximum, int position) {
    current().showProgress(minimum, maximum, position);
}

void HideProgress() {
    current().hideProgress();
}

void ShowInfo(const QString& text) {
    current().showInfo(text);
}

void HideInfo() {
    current().hideInfo();
}

} // namespace mero
