#pragma once

class QTableView;

// The look both byte grids share: fixed, unclickable headings of the given
// sizes, no corner button, single selection, no word wrap, no editing by
// default, and a white area outside the cells whatever the skin.
void SetUpByteGridView(QTableView* view, int columnWidth, int rowHeight, int sideHeadingWidth,
                       int topHeadingHeight);
