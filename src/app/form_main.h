#pragma once

#include <QMainWindow>

class QLabel;

namespace mero {

class TData;

// The program's main window.
class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMain(TData& data, QWidget* parent = nullptr);

    // "verze programu %s, verze dat %s.%s, instalace %d", built once when the window is created.
    QString statusText() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    bool FormCloseQuery();

    TData& m_data;
    QLabel* LabelInfo;
};

} // namespace mero
