#pragma once

// The keyboard and mouse conventions shared by every data-entry form, the change tracking that connects
// the questionnaire's editors to the check model, and the creation of the main frame's child windows.

#include <QObject>
#include <QPointer>

class QAbstractScrollArea;
class QMdiArea;
class QMdiSubWindow;
class QWheelEvent;
class QWidget;

namespace mero {

// A data-bound editor as the shared handlers see it (implemented by the data-aware widget kit).
class DataBoundEditor {
public:
    virtual ~DataBoundEditor() = default;
    // Tracked editors report every value they write to the check model.
    virtual void setChangeTracking(bool on) = 0;
    virtual bool changeTracking() const = 0;
    // Delete sets the value to NULL (check boxes and lookup combo boxes).
    virtual bool clearsOnDelete() const { return false; }
    virtual void clearValue() {}
    // Multi-line memos keep Enter for new lines.
    virtual bool isMemo() const { return false; }
};

// Moves the input focus to the control after this one among its parent's children (Enter in an
// editor); past the last control of a group box, to the control after the group box.
void FocusNext(QWidget* control);

class TForms {
public:
    TForms() = delete;

    // Gives every editor of the form the shared key handlers and the hover border; with track, the
    // data-bound editors also report their changes to the check model.
    static void PrepareEditors(QWidget* form, bool track);

    // The client area of the main frame that hosts the child windows.
    static void SetMainFrame(QMdiArea* area);
    static QMdiArea* MainFrame();

    // Creates a child window of the main frame into the reference, with painting of the frame's client
    // area suspended until the window is complete.
    template <class T, class... Args>
    static T* CreateChild(T*& reference, Args&&... args) {
        SuspendPainting();
        reference = new T(std::forward<Args>(args)...);
        AdoptChild(reference);
        ResumePainting();
        return reference;
    }

    // Shows a child window made by CreateChild in front, filling the client area.
    static void ShowChild(QWidget* child);
    // The sub-window that frames a child window (nullptr when none).
    static QMdiSubWindow* ChildFrame(QWidget* child);

    static void SuspendPainting();
    static void ResumePainting();
    static bool PaintingSuspended();

private:
    static void AdoptChild(QWidget* child);
};

// The shared handlers that PrepareEditors and CreateChild give to editors and child windows.
class TEventHandlers : public QObject {
    Q_OBJECT
public:
    static TEventHandlers* instance();

    // Editor key press/key down: Enter moves on, "x" toggles a check box, Delete clears to NULL.
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The wheel rule of the questionnaire's scroll boxes: one line per wheel event, down for a delta of
    // zero or less, up otherwise, horizontally with Shift; the event is handled.
    static void InstallMouseWheel(QAbstractScrollArea* area);
    static void MouseWheel(QAbstractScrollArea* area, QWheelEvent* event);

    // Child window activation and deactivation (suspend/resume painting of the main frame).
    static void ChildActivated(QMdiSubWindow* child);
    static void ChildDeactivated(QMdiSubWindow* child);

Q_SIGNALS:
    // The end-of-scroll notification that follows each wheel scroll.
    void scrollEnded(QAbstractScrollArea* area);

private:
    TEventHandlers() = default;
};

} // namespace mero
