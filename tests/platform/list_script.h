// A long run of list-view operations for the backends' tests: rows inserted
// mostly at the top, as the desk inserts every operation, and filled cell by
// cell, some inserted in the middle, at the end or past it, some without a
// picture, cells rewritten on any row, and a column inserted while rows
// exist. The same operations are applied to a plain vector, which is what the
// list must show afterwards.
#pragma once

#include "platform/window.h"

#include <random>
#include <string>
#include <vector>

struct ExpectedRow {
    int image; // -1 for none
    std::vector<std::string> cells;
};

// Six columns, then `operations` operations on list, with a fixed seed.
inline std::vector<ExpectedRow> RunListScript(CListCtrl& list, int operations) {
    std::vector<ExpectedRow> rows;
    std::size_t columns = 0;
    auto insertColumn = [&](int col, const char* title) {
        if (list.InsertColumn(col, title) != col) {
            return false;
        }
        ++columns;
        for (ExpectedRow& row : rows) {
            row.cells.insert(row.cells.begin() + col, "");
        }
        return true;
    };
    for (int col = 0; col < 6; ++col) {
        insertColumn(col, ("col" + std::to_string(col + 1)).c_str());
    }
    std::mt19937 random(20260302);
    for (int i = 0; i < operations; ++i) {
        const unsigned pick = random() % 100;
        const std::string name = "r" + std::to_string(i);
        if (pick < 85 || rows.empty()) {
            // A desk row: the first text empty, then every cell set.
            const int image = static_cast<int>(random() % 3);
            if (list.InsertItem(LVIF_TEXT | LVIF_IMAGE, 0, "", 0, 0, image, 0) != 0) {
                return {};
            }
            rows.insert(rows.begin(), ExpectedRow{image, std::vector<std::string>(columns)});
            for (std::size_t col = 0; col < columns; ++col) {
                const std::string text =
                    name + "." + std::to_string(col) + std::string(col * 9 % 50, ' ');
                list.SetItemText(0, static_cast<int>(col), text.c_str());
                rows[0].cells[col] = text;
            }
        } else if (pick < 95) {
            // Anywhere, or past the end (where it lands at the end), with or
            // without a picture.
            const std::size_t wanted = random() % (rows.size() + 3);
            const std::size_t at = std::min(wanted, rows.size());
            const bool picture = pick % 2 == 0;
            if (list.InsertItem(picture ? LVIF_TEXT | LVIF_IMAGE : LVIF_TEXT,
                                static_cast<int>(wanted), name.c_str(), 0, 0, 2,
                                0) != static_cast<int>(at)) {
                return {};
            }
            ExpectedRow row{picture ? 2 : -1, std::vector<std::string>(columns)};
            row.cells[0] = name;
            rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(at), row);
        } else if (pick < 99) {
            const std::size_t row = random() % rows.size();
            const std::size_t col = random() % columns;
            list.SetItemText(static_cast<int>(row), static_cast<int>(col), ("set " + name).c_str());
            rows[row].cells[col] = "set " + name;
        } else if (!insertColumn(static_cast<int>(random() % (columns + 1)), name.c_str())) {
            return {};
        }
    }
    return rows;
}
