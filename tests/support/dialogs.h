#pragma once

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <functional>

// Runs `trigger`; when it opens a dialog of type T, `drive` gets it. A
// dialog that `drive` leaves open is cancelled, so no test can hang.
// Returns whether the dialog was shown.
template <typename T>
bool WithDialog(const std::function<void()>& trigger, const std::function<void(T*)>& drive) {
    bool seen = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<T*>(top);
            if (dialog == nullptr || !dialog->isVisible()) continue;
            poll.stop();
            seen = true;
            drive(dialog);
            if (dialog->isVisible()) dialog->reject();
            return;
        }
    });
    poll.start();
    trigger();
    poll.stop();
    return seen;
}

// The push button of a dialog with this caption, null when there is none.
inline QPushButton* DialogButton(QWidget* dialog, const char* text) {
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->text() == QString::fromUtf8(text)) return button;
    }
    return nullptr;
}
