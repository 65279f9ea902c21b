#pragma once

#include <QAbstractButton>
#include <QColor>

// A small push button that paints itself as a lamp with a caption.
// States: 0 off (light grey, raised edge), 2 lit (dark red, white caption,
// flat), 3 disabled. "Disabled" is decided from the button's own enabled
// flag (not its parents'), so disabling a page never turns lit lamps off.
class CButtonEx : public QAbstractButton {
    Q_OBJECT
public:
    enum State { Off = 0, Lit = 2, Disabled = 3 };

    explicit CButtonEx(const QString& caption, QWidget* parent = nullptr);

    int state() const { return m_state; }
    // Sets the state and repaints.
    void setState(int state);

    QColor textColor() const { return m_textColor; }
    QColor disabledBackColor() const { return m_disabledBackColor; }
    QColor disabledTextColor() const { return m_disabledTextColor; }

    static QColor offFaceColor() { return QColor(230, 230, 230); }
    static QColor litFaceColor() { return QColor(153, 0, 0); }

    QSize sizeHint() const override { return QSize(40, 18); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool isDisabledItself() const;

    int m_state = Off;
    QString m_caption;
    QColor m_textColor{0, 0, 0};
    QColor m_disabledBackColor{230, 230, 230};
    QColor m_disabledTextColor;
};
