#include "keyswallower.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace {

bool IsSwallowedKey(const QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

// A cell editor opened by an item view lives inside the view's viewport.
// Enter and Escape there only commit or cancel the cell; the editor does not
// pass them on to the window (and whatever it lets bubble up is swallowed at
// the viewport).
bool IsItemEditor(const QWidget* widget) {
    for (const QWidget* w = widget->parentWidget(); w != nullptr && !w->isWindow();
         w = w->parentWidget()) {
        const auto* view = qobject_cast<const QAbstractItemView*>(w->parentWidget());
        if (view != nullptr && view->viewport() == w) return true;
    }
    return false;
}

}  // namespace

void KeySwallower::Install(QWidget* window) {
    if (window == nullptr) return;
    new KeySwallower(window);
}

KeySwallower::KeySwallower(QWidget* window) : QObject(window), m_window(window) {
    // Filtering at the application level sees the keys before any child
    // (line edit, button, combo box) or the dialog itself acts on them.
    QCoreApplication::instance()->installEventFilter(this);
}

bool KeySwallower::eventFilter(QObject* watched, QEvent* event) {
    if (!IsSwallowedKey(event) || !watched->isWidgetType()) return false;
    auto* target = static_cast<QWidget*>(watched);
    // isAncestorOf stops at window borders: popups and dialogs opened from the
    // window (a combo box list, a message box) keep their own keys.
    if (target != m_window && !m_window->isAncestorOf(target)) return false;
    if (IsItemEditor(target)) return false;
    // An accepted override turns a would-be shortcut into a plain key press,
    // which is then swallowed here as well.
    event->accept();
    return true;
}
