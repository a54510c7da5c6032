#pragma once

#include <QTableView>

namespace sheet {

class CellDelegate;

/// The grid of a spreadsheet window: a table view over a SheetModel that moves and edits as a spreadsheet's grid
/// does. It selects nothing itself; it tells the window which cell the user moved to, and the window makes that the
/// sheet's selection.
///
/// Keys on the grid: Enter and Shift+Enter move one cell down and up, Tab and Shift+Tab right and left, the arrows
/// their way, Home, End, Page Up and Page Down as a table view moves; every move stops at the sheet's edge, makes the
/// cell current, keeps it in sight and emits cellChosen. Typing a character opens the editor with only what was
/// typed. F2 or a double click opens it with the cell's content, or, for a text too long to edit
/// (SheetModel::kMaxEditLength), warns through WindowDialogs and opens nothing. Delete emits clearRequested. Copy puts
/// the current cell's whole text on the clipboard, however little of it the grid shows.
///
/// Keys in the editor: Enter, Shift+Enter, Tab and Shift+Tab store the edit and then move as above; so do the arrows
/// in an editor opened by typing, while in one opened with the content they move the text cursor. Escape closes the
/// editor and leaves the cell as it was; so does any way out of an editor whose text the user did not change.
class GridView final : public QTableView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GridView)

public:
    explicit GridView(QWidget* parent = nullptr);
    ~GridView() override;

    /// Makes `index` the current cell, where the next move starts, without choosing it or scrolling.
    void placeCurrent(const QModelIndex& index);
    /// Moves the current cell by `rows` and `columns`, stopping at the edges, as a key does: emits cellChosen.
    void moveCurrent(int rows, int columns);

    using QTableView::edit;

signals:
    /// The user moved to `index` by the keyboard; it is current and in view.
    void cellChosen(const QModelIndex& index);
    /// The user pressed Delete on the grid.
    void clearRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    void choose(const QModelIndex& index);

    CellDelegate* m_delegate;
};

} // namespace sheet
