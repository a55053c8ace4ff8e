#pragma once

#include "app/core/messages.h"

#include <QWidget>

class QLabel;
class QProgressBar;

namespace mero {

// The progress window: "Průběh", the waiting text above a progress bar.
class TFormProgress : public QWidget {
    Q_OBJECT
public:
    explicit TFormProgress(QWidget* parent = nullptr);
    QProgressBar* bar() const { return m_bar; }

private:
    QProgressBar* m_bar;
};

// The information window: "Informace", the waiting text above one line of variable text.
class TFormInfo : public QWidget {
    Q_OBJECT
public:
    explicit TFormInfo(QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const;

private:
    QLabel* m_line;
};

// The text both wait windows show.
inline constexpr const char* kWaitText = "Počkejte, prosím, na dokončení operace ...";

// Shows the messages of TMessages as modal message boxes with Czech captions and buttons, and the
// two wait windows. Installs itself as the message sink for its lifetime.
class DialogSink : public MessageSink {
public:
    DialogSink();
    ~DialogSink() override;

    void error(const QString& text) override;
    ConfirmResult confirm(const QString& text) override;
    void info(const QString& text) override;
    void unhandled(const QString& text) override;
    void showProgress(int minimum, int maximum, int position) override;
    void hideProgress() override;
    void showInfo(const QString& text) override;
    void hideInfo() override;

    TFormProgress* progressWindow() const { return m_progress; }
    TFormInfo* infoWindow() const { return m_info; }

private:
    MessageSink* m_previous;
    TFormProgress* m_progress = nullptr;
    TFormInfo* m_info = nullptr;
};

} // namespace mero
