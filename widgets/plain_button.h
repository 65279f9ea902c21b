#pragma once

#include <QString>

class QPushButton;
class QWidget;

// A push button that Enter never presses: the windows and dialogs have line
// edits whose Enter must not start an exchange or a write.
QPushButton* MakeButton(const QString& caption, QWidget* parent);
