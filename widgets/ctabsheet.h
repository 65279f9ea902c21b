#pragma once

#include <QTabWidget>

// The page host: up to 16 pages, added before the sheet is shown; a 17th
// page is refused.
class CTabSheet : public QTabWidget {
    Q_OBJECT
public:
    explicit CTabSheet(QWidget* parent = nullptr);
    static constexpr int kMaxPages = 16;
    // False (and nothing added) when 16 pages are already there.
    bool AddPage(const QString& title, QWidget* page);
};
