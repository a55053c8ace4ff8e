#include "app/editor_conventions.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QWheelEvent>

#include <limits>

namespace mero {

namespace {

QPointer<QMdiArea> g_mainFrame;
int g_suspended = 0;

const char* const kPreparedProperty = "meroPreparedEditor";

// The position of each widget of the window in its focus chain: the tab order that setTabOrder and the
// order of creation give.
QHash<const QWidget*, int> focusChainOrder(QWidget* window) {
    QHash<const QWidget*, int> order;
    int index = 0;
    QWidget* w = window;
    do {
        if (!order.contains(w))
            order.insert(w, index++);
        w = w->nextInFocusChain();
    } while (w && w != window);
    return order;
}

bool isTabStop(const QWidget* w) {
    return (w->focusPolicy() & Qt::TabFocus) != 0;
}

bool isGroupBox(const QWidget* w) {
    return qobject_cast<const QGroupBox*>(w) != nullptr;
}

// A container's place in the tab order is that of its first focusable control.
int tabOrderOf(const QWidget* w, const QHash<const QWidget*, int>& order) {
    int best = order.value(w, std::numeric_limits<int>::max());
    if (!isTabStop(w)) {
        const auto descendants = w->findChildren<QWidget*>();
        for (const QWidget* d : descendants) {
            if (isTabStop(d) && d->isEnabled())
                best = qMin(best, order.value(d, best));
        }
    }
    return best;
}

bool isCandidate(const QWidget* w) {
    if (w->isWindow() || !w->isEnabled())
        return false;
    if (!isGroupBox(w) && !isTabStop(w))
        return false;
    // Hidden on purpose stays hidden; pages of a tab set are brought forward.
    return !w->isHidden() || qobject_cast<const QStackedWidget*>(w->parentWidget()) != nullptr;
}

QWidget* nextAmong(const QWidget* parent, int after, const QHash<const QWidget*, int>& order) {
    QWidget* best = nullptr;
    int bestOrder = std::numeric_limits<int>::max();
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || !isCandidate(w))
            continue;
        const int t = tabOrderOf(w, order);
        if (t > after && t < bestOrder) { // of equal orders, the first in the child list wins
            best = w;
            bestOrder = t;
        }
    }
    return best;
}

int childWidgetCount(const QWidget* w) {
    int count = 0;
    for (QObject* o : w->children())
        if (qobject_cast<QWidget*>(o))
            ++count;
    return count;
}

// Brings the control into view: tab pages to the front, hidden controls shown, scroll areas scrolled.
void reveal(QWidget* target) {
    for (QWidget* w = target; w && !w->isWindow(); w = w->parentWidget()) {
        if (auto* stack = qobject_cast<QStackedWidget*>(w->parentWidget()))
            stack->setCurrentWidget(w);
        if (w->isHidden() && w == target)
            w->show();
    }
    for (QWidget* w = target->parentWidget(); w; w = w->parentWidget()) {
        if (auto* scroll = qobject_cast<QScrollArea*>(w)) {
            scroll->ensureWidgetVisible(target);
            break;
        }
    }
}

bool isEditor(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QCheckBox*>(w) ||
           qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w);
}

bool isMemo(const QWidget* w) {
    if (auto* bound = dynamic_cast<const DataBoundEditor*>(w))
        return bound->isMemo();
    return qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w);
}

// The editor that receives the keys: a line edit inside a combo box or spin box belongs to its owner.
QWidget* editorOf(QObject* watched) {
    auto* w = qobject_cast<QWidget*>(watched);
    while (w && !w->property(kPreparedProperty).toBool())
        w = w->parentWidget();
    return w;
}

void setHoverBorder(QWidget* w) {
    w->setAttribute(Qt::WA_Hover);
    const QColor shadow = w->palette().color(QPalette::Dark);
    QString cls = QString::fromLatin1(w->metaObject()->className());
    QString sheet = w->styleSheet();
    if (!sheet.contains(QLatin1String(":hover")))
        sheet += QStringLiteral("\n%1:hover { border: 1px solid %2; }").arg(cls.replace(QLatin1String("::"), QLatin1String("--")), shadow.name());
    w->setStyleSheet(sheet);
}

} // namespace

void FocusNext(QWidget* control) {
    while (control && control->parentWidget()) {
        QWidget* parent = control->parentWidget();
        const auto order = focusChainOrder(control->window());
        QWidget* next = nextAmong(parent, tabOrderOf(control, order), order);
        if (next) {
            if (childWidgetCount(next) > 1) {
                if (QWidget* inner = nextAmong(next, -1, order))
                    next = inner;
            }
            reveal(next);
            if (!isTabStop(next)) {
                // A group box passes the focus to its first control.
                for (QWidget* w = next->nextInFocusChain(); w && w != next; w = w->nextInFocusChain()) {
                    if (!next->isAncestorOf(w))
                        break;
                    if (isTabStop(w) && w->isEnabled() && w->isVisibleTo(next->window())) {
                        next = w;
                        break;
                    }
                }
            }
            next->setFocus(Qt::TabFocusReason);
            return;
        }
        control = parent;
    }
}

void TForms::PrepareEditors(QWidget* form, bool track) {
    if (!form)
        return;
    const auto children = form->findChildren<QWidget*>();
    for (QWidget* w : children) {
        if (!isEditor(w))
            continue;
        // A combo box's or spin box's own line edit is part of its owner.
        if (qobject_cast<QLineEdit*>(w) &&
            (qobject_cast<QComboBox*>(w->parentWidget()) || qobject_cast<QAbstractSpinBox*>(w->parentWidget())))
            continue;
        if (!isMemo(w) && !w->property(kPreparedProperty).toBool()) {
            w->setProperty(kPreparedProperty, true);
            w->installEventFilter(TEventHandlers::instance());
            if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->lineEdit())
                combo->lineEdit()->installEventFilter(TEventHandlers::instance());
            if (auto* spin = qobject_cast<QAbstractSpinBox*>(w))
                if (auto* edit = spin->findChild<QLineEdit*>())
                    edit->installEventFilter(TEventHandlers::instance());
        }
        setHoverBorder(w);
        if (auto* bound = dynamic_cast<DataBoundEditor*>(w))
            bound->setChangeTracking(track);
    }
}

void TForms::SetMainFrame(QMdiArea* area) {
    g_mainFrame = area;
    g_suspended = 0;
}

QMdiArea* TForms::MainFrame() {
    return g_mainFrame;
}

void TForms::SuspendPainting() {
    if (!g_mainFrame)
        return;
    if (g_suspended++ == 0)
        g_mainFrame->viewport()->setUpdatesEnabled(false);
}

void TForms::ResumePainting() {
    if (!g_mainFrame || g_suspended == 0)
        return;
    if (--g_suspended == 0) {
        g_mainFrame->viewport()->setUpdatesEnabled(true);
        g_mainFrame->viewport()->update();
    }
}

bool TForms::PaintingSuspended() {
    return g_mainFrame && !g_mainFrame->viewport()->updatesEnabled();
}

void TForms::AdoptChild(QWidget* child) {
    if (!g_mainFrame) {
        child->setAttribute(Qt::WA_DeleteOnClose, false);
        return;
    }
    QMdiSubWindow* frame = g_mainFrame->addSubWindow(child, Qt::FramelessWindowHint);
    frame->setObjectName(child->objectName() + QStringLiteral("Frame"));
    frame->setAttribute(Qt::WA_DeleteOnClose, false);
    frame->setWindowTitle(child->windowTitle());
    QObject::connect(frame, &QMdiSubWindow::windowStateChanged, frame,
                     [frame](Qt::WindowStates oldState, Qt::WindowStates newState) {
                         if (!(oldState & Qt::WindowActive) && (newState & Qt::WindowActive))
                             TEventHandlers::ChildActivated(frame);
                         else if ((oldState & Qt::WindowActive) && !(newState & Qt::WindowActive))
                             TEventHandlers::ChildDeactivated(frame);
                     });
    frame->hide();
}

QMdiSubWindow* TForms::ChildFrame(QWidget* child) {
    for (QWidget* w = child; w; w = w->parentWidget())
        if (auto* frame = qobject_cast<QMdiSubWindow*>(w))
            return frame;
    return nullptr;
}

void TForms::ShowChild(QWidget* child) {
    if (!child)
        return;
    QMdiSubWindow* frame = ChildFrame(child);
    if (!frame) {
        child->show();
        child->raise();
        return;
    }
    SuspendPainting();
    frame->showMaximized();
    child->show();
    if (g_mainFrame)
        g_mainFrame->setActiveSubWindow(frame);
    frame->raise();
    ResumePainting();
    // Never left suspended, whatever the order of activation events.
    QTimer::singleShot(0, g_mainFrame.data(), [] {
        if (g_mainFrame && g_suspended == 0)
            g_mainFrame->viewport()->setUpdatesEnabled(true);
    });
}

TEventHandlers* TEventHandlers::instance() {
    static TEventHandlers* handlers = new TEventHandlers();
    return handlers;
}

bool TEventHandlers::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        QWidget* editor = editorOf(watched);
        if (!editor)
            return false;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (auto* combo = qobject_cast<QComboBox*>(editor); combo && combo->view() && combo->view()->isVisible())
                return false; // the open list takes its choice
            FocusNext(editor);
            return true;
        }
        if (auto* box = qobject_cast<QCheckBox*>(editor); box && dynamic_cast<DataBoundEditor*>(editor)) {
            if (key->key() == Qt::Key_X && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
                box->click();
                return true;
            }
        }
        if (key->key() == Qt::Key_Delete) {
            if (auto* bound = dynamic_cast<DataBoundEditor*>(editor); bound && bound->clearsOnDelete())
                bound->clearValue();
            return false; // passed on
        }
        return false;
    }
    if (event->type() == QEvent::Wheel) {
        auto* area = qobject_cast<QAbstractScrollArea*>(watched);
        if (!area && watched->parent())
            area = qobject_cast<QAbstractScrollArea*>(watched->parent());
        if (area && area->property("meroWheelRule").toBool()) {
            MouseWheel(area, static_cast<QWheelEvent*>(event));
            return true;
        }
    }
    return false;
}

void TEventHandlers::InstallMouseWheel(QAbstractScrollArea* area) {
    if (!area)
        return;
    area->setProperty("meroWheelRule", true);
    area->viewport()->installEventFilter(instance());
    area->installEventFilter(instance());
}

void TEventHandlers::MouseWheel(QAbstractScrollArea* area, QWheelEvent* event) {
    event->accept();
    const bool horizontal = event->modifiers() & Qt::ShiftModifier;
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    QScrollBar* bar = horizontal ? area->horizontalScrollBar() : area->verticalScrollBar();
    bar->triggerAction(delta > 0 ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd);
    Q_EMIT instance()->scrollEnded(area);
}

void TEventHandlers::ChildActivated(QMdiSubWindow* child) {
    if (!child || !child->isVisible())
        return; // still being shown
    if (g_mainFrame && g_suspended == 0) {
        g_mainFrame->viewport()->setUpdatesEnabled(true);
        g_mainFrame->viewport()->repaint();
    }
}

void TEventHandlers::ChildDeactivated(QMdiSubWindow* child) {
    if (!g_mainFrame || g_mainFrame->activeSubWindow() == child)
        return;
    g_mainFrame->viewport()->setUpdatesEnabled(false);
    // The next child's activation resumes painting; never leave it off past this event round.
    QTimer::singleShot(0, g_mainFrame.data(), [] {
        if (g_mainFrame && g_suspended == 0)
            g_mainFrame->viewport()->setUpdatesEnabled(true);
    });
}

} // namespace mero
