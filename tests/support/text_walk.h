#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTableView>
#include <QWidget>
#include <cstdlib>

#include "program_language.h"

// The language of the windows made while it lives; the environment's
// afterwards, as the test main set it.
class ScopedLanguage {
public:
    explicit ScopedLanguage(TextLanguage language) { ApplyProgramLanguage(language); }
    ~ScopedLanguage() { ApplyProgramLanguage(LanguageFromEnvironment()); }
    ScopedLanguage(const ScopedLanguage&) = delete;
    ScopedLanguage& operator=(const ScopedLanguage&) = delete;
};

// Han characters, and the CJK punctuation and full-width forms that come
// only with Chinese text ("。", "：", "（").
inline bool HasHan(const QString& text) {
    static const QRegularExpression han(
        QStringLiteral("[\\x{3000}-\\x{303F}\\x{3400}-\\x{9FFF}\\x{FF00}-\\x{FFEF}]"));
    return text.contains(han);
}

// Every text a user can read in the visible widgets under `root` (window
// titles, captions, list items, tab names, table headings, tooltips, fields),
// each as "ObjectClass: text". Widgets named in `exempt` (the module's own
// data) are left out.
inline QStringList VisibleTexts(QWidget* root, const QList<QWidget*>& exempt = {}) {
    QStringList texts;
    auto add = [&texts](QWidget* w, const QString& text) {
        if (!text.isEmpty())
            texts << QString::fromLatin1(w->metaObject()->className()) + ": " + text;
    };
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        if (!w->isVisibleTo(root) || exempt.contains(w)) continue;
        if (w->isWindow()) add(w, w->windowTitle());
        add(w, w->toolTip());
        if (auto* label = qobject_cast<QLabel*>(w)) add(w, label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(w)) add(w, button->text());
        if (auto* group = qobject_cast<QGroupBox*>(w)) add(w, group->title());
        if (auto* edit = qobject_cast<QLineEdit*>(w)) add(w, edit->text());
        if (auto* list = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < list->count(); ++i) add(w, list->itemText(i));
        if (auto* tabs = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < tabs->count(); ++i) add(w, tabs->tabText(i));
        if (auto* table = qobject_cast<QTableView*>(w); table && table->model())
            for (int c = 0; c < table->model()->columnCount(); ++c)
                add(w, table->model()->headerData(c, Qt::Horizontal).toString());
    }
    return texts;
}

inline QStringList HanTexts(const QStringList& texts) {
    QStringList han;
    for (const QString& text : texts)
        if (HasHan(text)) han << text;
    return han;
}

// Captions cut off and controls on top of each other among the visible
// widgets under `root`: a label's, button's or group box's text wider, by
// the widget's own font, than the room its rectangle leaves, and two visible
// sibling controls whose rectangles overlap.
inline QStringList LayoutFaults(QWidget* root) {
    QStringList faults;
    auto widest = [](const QFontMetrics& metrics, const QString& text) {
        int width = 0;
        for (const QString& line : text.split('\n'))
            // The ink, not the advance: the space after the last glyph may be cut.
            width = std::max(width, metrics.boundingRect(QString(line).remove('&')).right() + 1);
        return width;
    };
    auto check = [&](QWidget* w, const QString& text, int room) {
        if (text.isEmpty()) return;
        const int needed = widest(w->fontMetrics(), text);
        if (needed > room)
            faults << QStringLiteral("%1 \"%2\": %3 px in %4")
                          .arg(QString::fromLatin1(w->metaObject()->className()), text)
                          .arg(needed)
                          .arg(room);
    };
    QList<QWidget*> controls;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root)) continue;
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap() &&
                                                    label->textFormat() != Qt::RichText &&
                                                    label->pixmap().isNull())
            check(w, label->text(), label->contentsRect().width());
        else if (qobject_cast<QRadioButton*>(w) || qobject_cast<QCheckBox*>(w)) {
            // The room the style leaves beside the indicator.
            QStyleOptionButton option;
            option.initFrom(w);
            const bool radio = qobject_cast<QRadioButton*>(w) != nullptr;
            const QRect room = w->style()->subElementRect(
                radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, w);
            check(w, static_cast<QAbstractButton*>(w)->text(), room.width());
        } else if (auto* button = qobject_cast<QPushButton*>(w))
            check(w, button->text(), w->width() - 4);
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            check(w, group->title(), w->width() - 8);
        if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
            qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w))
            controls << w;
    }
    for (int i = 0; i < controls.size(); ++i)
        for (int j = i + 1; j < controls.size(); ++j) {
            QWidget* a = controls[i];
            QWidget* b = controls[j];
            // A combo box's own line edit lies inside it by design.
            if (a->parentWidget() != b->parentWidget()) continue;
            if (a->geometry().intersects(b->geometry()))
                faults << QStringLiteral("overlap: %1 \"%2\" and %3 \"%4\"")
                              .arg(QString::fromLatin1(a->metaObject()->className()),
                                   a->objectName(),
                                   QString::fromLatin1(b->metaObject()->className()),
                                   b->objectName());
        }
    return faults;
}
