#include "ctabsheet.h"

CTabSheet::CTabSheet(QWidget* parent) : QTabWidget(parent) {}

bool CTabSheet::AddPage(const QString& title, QWidget* page) {
    if (page == nullptr || count() >= kMaxPages) return false;
    addTab(page, title);
    return true;
}
