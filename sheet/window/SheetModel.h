#pragma once

#include "objectmodel/Ref.h"
#include "sheet/document/Worksheet.h"
#include "sheet/engine/CellView.h"
#include "sheet/window/SelectionIndex.h"

#include <QAbstractTableModel>

#include <string>

namespace sheet {

/// The cells of one worksheet as a table of the sheet's full size, 1,048,576 rows by 16,384 columns.
///
/// Nothing is stored per row or cell: every call reads the sheet's grid (O(log R + log C), see Grid). The counts
/// never change, so the model never resets and never announces rows; whoever changes the sheet repaints the view.
/// A null sheet shows every cell blank and refuses edits.
///
/// Roles: DisplayRole gives the cell as shown (shownText), EditRole as an editor opens with it (editText), or no value
/// (an invalid QVariant) for a text too long to edit; BackgroundRole marks the selection; SelectedRole says whether
/// the cell is in the sheet's selection. Headers: column letters and row numbers. No role converts more of a long
/// text than it gives. setData stores what a user types (see typedCell) and notifies the application like any
/// other change.
class SheetModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SheetModel)

public:
    /// bool: whether the cell lies in the selection last given to setSelection.
    static constexpr int SelectedRole = Qt::UserRole + 1;

    explicit SheetModel(QObject* parent = nullptr);
    ~SheetModel() override;

    /// Shows `sheet` (null for none). Does not repaint: the caller does, once for all its changes.
    void setSheet(Worksheet* sheet);
    Worksheet* sheet() const { return m_sheet.get(); }
    /// The selection drawn, rebuilt by the caller when the sheet's selection changes.
    void setSelection(SelectionIndex selection);
    const SelectionIndex& selection() const { return m_selection; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    /// The most of a text the grid shows, in UTF-16 units: more than any column is wide, little enough to lay out
    /// on every repaint (Qt lays out the whole text of a cell to draw it, and draws nothing at all past about 90
    /// million characters, where its glyph buffer's size overflows an int).
    static constexpr qsizetype kShownLength = 2'000;
    /// The longest text an editor opens with, in UTF-16 units. A line editor lays out its whole text again on every
    /// key, about half a microsecond per character, so 100,000 keep a key press near 50 ms; a longer text can only
    /// be replaced, by typing over it.
    static constexpr qsizetype kMaxEditLength = 100'000;

    /// A cell as a spreadsheet shows it: numbers to 15 significant digits ("0.1", "1E+20"), texts as they are,
    /// TRUE/FALSE, dates as "2024/3/5" (with "13:05" or "13:05:09" when not midnight), a time of day alone (a serial
    /// below 1) as "13:05", errors as "#N/A" and so on.
    static QString displayText(const CellView& cell);
    /// displayText with a text cut to its first kShownLength UTF-16 units, at a whole character. Decodes only the
    /// part it returns, so it costs the same for a text of 10 bytes or of 100 MiB.
    static QString shownText(const CellView& cell);
    /// The text an editor opens with: as shown, but numbers with every digit they have ("0.30000000000000004").
    static QString editText(const CellView& cell);
    /// What typing `text` into a cell stores: a number when the text, without surrounding blanks, is a whole or
    /// decimal number ("12", "-3.5", "1e3"); TRUE or FALSE in any case; an error value ("#N/A"); a date as shown
    /// ("2024/3/5 13:05", "13:05") or with dashes; an empty cell for ""; otherwise the text as typed, which `storage`
    /// keeps alive for the returned view.
    static CellView typedCell(const QString& text, std::string& storage);
    /// Whether editText(cell) would be longer than kMaxEditLength. Looks at no more than about kMaxEditLength * 4
    /// bytes of the text.
    static bool tooLongToEdit(const CellView& cell);

private:
    Ref<Worksheet> m_sheet;
    SelectionIndex m_selection;
};

} // namespace sheet
