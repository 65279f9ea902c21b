#pragma once

#include <QString>

class QLineEdit;
class QWidget;

// Data exchange of a whole-number box: a box that holds no integer shows
// "请输入一个整数。", one outside [low, high] shows "请输入一个介于 low 和 high
// 之间的整数。"; in both cases the focus returns to the box and false is
// returned (*value untouched).
bool TakeIntBox(QLineEdit* box, int low, int high, int* value);

// The same check on a text that is not in a box (message only).
bool CheckIntText(QWidget* parent, const QString& text, int low, int high, int* value);

// The same check without any message.
bool ReadIntText(const QString& text, int low, int high, int* value);
