#pragma once

#include <QObject>

// Swallows key presses of Enter, Return and Escape for a window and all its
// children, so that neither key closes a page or the window or presses a
// button. Install with Install(window); it is owned by the window.
class KeySwallower : public QObject {
    Q_OBJECT
public:
    static void Install(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit KeySwallower(QWidget* window);
    QWidget* m_window;
};
