#include "byte_grid_view.h"

#include <QHeaderView>
#include <QTableView>

void SetUpByteGridView(QTableView* view, int columnWidth, int rowHeight, int sideHeadingWidth,
                       int topHeadingHeight) {
    QHeaderView* side = view->verticalHeader();
    side->setMinimumSectionSize(1);
    side->setDefaultSectionSize(rowHeight);
    side->setSectionResizeMode(QHeaderView::Fixed);
    side->setFixedWidth(sideHeadingWidth);
    side->setSectionsClickable(false);

    QHeaderView* top = view->horizontalHeader();
    top->setMinimumSectionSize(1);
    top->setDefaultSectionSize(columnWidth);
    top->setSectionResizeMode(QHeaderView::Fixed);
    top->setFixedHeight(topHeadingHeight);
    top->setSectionsClickable(false);

    view->setCornerButtonEnabled(false);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setWordWrap(false);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);

    QPalette pal = view->viewport()->palette();
    pal.setColor(QPalette::Base, QColor(255, 255, 255));
    pal.setColor(QPalette::Window, QColor(255, 255, 255));
    view->viewport()->setPalette(pal);
    view->viewport()->setBackgroundRole(QPalette::Base);
    view->viewport()->setAutoFillBackground(true);
}
