#pragma once

#include "sheet/engine/Grid.h"

#include <cstdio>

namespace bench {

// Rows 1..rows, columns 1..20: numbers in the odd columns, short texts in the even ones. The benchmarks that compare
// with each other fill their sheets with this, so they measure the same work.
inline void fill(sheet::Grid& grid, int rows)
{
    char text[16];
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= 20; ++c) {
            if (c % 2) {
                grid.setCell(r, c, sheet::CellView::makeNumber(r * 100.0 + c));
            } else {
                std::snprintf(text, sizeof text, "t%d-%d", r, c);
                grid.setCell(r, c, sheet::CellView::makeText(text));
            }
        }
}

} // namespace bench
