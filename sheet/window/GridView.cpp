#include "sheet/window/GridView.h"

#include "sheet/window/SheetModel.h"
#include "sheet/window/WindowDialogs.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QStyledItemDelegate>

#include <algorithm>
#include <limits>
#include <optional>

namespace sheet {

namespace {

// Set on an editor opened by typing: it starts empty and its arrows leave it, as in a spreadsheet's entry mode.
constexpr char kOpenedByTyping[] = "tessavoOpenedByTyping";
// Set once such an editor has been given its (empty) start, so that a later reload shows the cell again.
constexpr char kStarted[] = "tessavoStarted";

struct Step {
    int rows;
    int columns;
};

enum class Arrows { Ignored, Unmodified, AnyModifier };

// Enter moves down, Shift+Enter up, Tab right, Shift+Tab left; the arrows their way when `arrows` allows.
std::optional<Step> stepFor(const QKeyEvent& key, Arrows arrows)
{
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    const bool plain = modifiers == Qt::NoModifier;
    const bool shift = modifiers == Qt::ShiftModifier;
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (plain || shift)
            return Step{shift ? -1 : 1, 0};
        return std::nullopt;
    case Qt::Key_Tab:
        if (plain || shift)
            return Step{0, shift ? -1 : 1};
        return std::nullopt;
    case Qt::Key_Backtab: // Shift+Tab, as most platforms deliver it
        if (plain || shift)
            return Step{0, -1};
        return std::nullopt;
    default:
        break;
    }
    const bool arrowsMove =
        arrows == Arrows::AnyModifier ? !(modifiers & Qt::AltModifier) : arrows == Arrows::Unmodified && plain;
    if (!arrowsMove)
        return std::nullopt;
    switch (key.key()) {
    case Qt::Key_Up:
        return Step{-1, 0};
    case Qt::Key_Down:
        return Step{1, 0};
    case Qt::Key_Left:
        return Step{0, -1};
    case Qt::Key_Right:
        return Step{0, 1};
    default:
        return std::nullopt;
    }
}

bool isTyping(const QEvent* event)
{
    if (!event)
        return false;
    if (event->type() == QEvent::InputMethod)
        return true;
    return event->type() == QEvent::KeyPress && !static_cast<const QKeyEvent*>(event)->text().isEmpty();
}

} // namespace

class CellDelegate final : public QStyledItemDelegate {
public:
    explicit CellDelegate(GridView* view) : QStyledItemDelegate(view), m_view(view) {}

    void setNextOpenedByTyping(bool typing) { m_nextOpenedByTyping = typing; }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            // The default stops at 32,767 characters: a longer text would be cut by merely opening and leaving it.
            line->setMaxLength(std::numeric_limits<int>::max());
            line->setProperty(kOpenedByTyping, m_nextOpenedByTyping);
            m_opened = line;
        }
        return editor;
    }

    /// The line editor created last, while it exists.
    QLineEdit* opened() const { return m_opened; }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (!line) {
            QStyledItemDelegate::setEditorData(editor, index);
            return;
        }
        if (line->property(kOpenedByTyping).toBool() && !line->property(kStarted).toBool()) {
            line->setProperty(kStarted, true);
            line->setText(QString()); // the key typed comes next and replaces the content
            return;
        }
        // No value: a text too long to edit. The editor keeps what it holds rather than take part of it.
        const QVariant value = index.data(Qt::EditRole);
        if (value.isValid())
            line->setText(value.toString());
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        // Setting the text clears the flag, typing sets it: an editor the user did not change stores nothing, even
        // when what it shows is no longer what the cell holds.
        if (auto* line = qobject_cast<QLineEdit*>(editor); line && !line->isModified())
            return;
        QStyledItemDelegate::setModelData(editor, model, index);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && event->type() == QEvent::KeyPress) {
            const Arrows arrows = editor->property(kOpenedByTyping).toBool() ? Arrows::Unmodified : Arrows::Ignored;
            if (const auto step = stepFor(*static_cast<QKeyEvent*>(event), arrows)) {
                emit commitData(editor);
                emit closeEditor(editor, QAbstractItemDelegate::NoHint);
                m_view->moveCurrent(step->rows, step->columns);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    GridView* m_view;
    bool m_nextOpenedByTyping = false;
    mutable QPointer<QLineEdit> m_opened;
};

GridView::GridView(QWidget* parent) : QTableView(parent), m_delegate(new CellDelegate(this))
{
    setItemDelegate(m_delegate);
    setTabKeyNavigation(true);
}

GridView::~GridView() = default;

void GridView::placeCurrent(const QModelIndex& index)
{
    if (!index.isValid() || !selectionModel())
        return;
    // The caller scrolls, if at all: an automation selection of whole rows keeps the columns in view.
    const bool scroll = hasAutoScroll();
    setAutoScroll(false);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    setAutoScroll(scroll);
}

void GridView::moveCurrent(int rows, int columns)
{
    if (!model())
        return;
    const QModelIndex from = currentIndex().isValid() ? currentIndex() : model()->index(0, 0);
    const int row = std::clamp(from.row() + rows, 0, model()->rowCount() - 1);
    const int column = std::clamp(from.column() + columns, 0, model()->columnCount() - 1);
    choose(model()->index(row, column));
}

void GridView::choose(const QModelIndex& index)
{
    if (!index.isValid() || !selectionModel())
        return;
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    scrollTo(index);
    emit cellChosen(index);
}

void GridView::keyPressEvent(QKeyEvent* event)
{
    // The table view would copy what the cell shows, which for a long text is only its beginning.
    if (event == QKeySequence::Copy) {
        if (const auto* sheetModel = qobject_cast<const SheetModel*>(model());
            sheetModel && sheetModel->sheet() && currentIndex().isValid())
            QGuiApplication::clipboard()->setText(SheetModel::displayText(
                sheetModel->sheet()->grid().cell(currentIndex().row() + 1, currentIndex().column() + 1)));
        event->accept();
        return;
    }
    if (const auto step = stepFor(*event, Arrows::AnyModifier)) {
        moveCurrent(step->rows, step->columns);
        event->accept();
        return;
    }
    const auto jump = [&](CursorAction action) {
        choose(moveCursor(action, event->modifiers()));
        event->accept();
    };
    switch (event->key()) {
    case Qt::Key_Home:
        return jump(MoveHome);
    case Qt::Key_End:
        return jump(MoveEnd);
    case Qt::Key_PageUp:
        return jump(MovePageUp);
    case Qt::Key_PageDown:
        return jump(MovePageDown);
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        // With other modifiers: the table view would move its current cell away from the sheet's selection.
        event->accept();
        return;
    case Qt::Key_Delete:
        if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            emit clearRequested();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}

bool GridView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    const bool opens = index.isValid() && state() != EditingState && (index.flags() & Qt::ItemIsEditable) &&
                       (trigger == AllEditTriggers || (editTriggers() & trigger));
    const bool typing = opens && trigger == AnyKeyPressed && isTyping(event);
    if (opens && !typing && !index.data(Qt::EditRole).isValid()) {
        WindowDialogs::current().warn(window(),
                                      QStringLiteral("这个单元格的文本太长(超过 %1 个字符)，不能在单元格中编辑。\n"
                                                     "直接输入新的内容会替换整个文本。")
                                          .arg(SheetModel::kMaxEditLength));
        return false;
    }
    m_delegate->setNextOpenedByTyping(typing);
    const bool editing = QTableView::edit(index, trigger, event);
    m_delegate->setNextOpenedByTyping(false);
    // The view selects the whole text, so the first key would replace it: an editor opened with the content starts
    // at its end instead, to add to it.
    if (editing && !typing)
        if (QLineEdit* line = m_delegate->opened(); line && line->hasSelectedText())
            line->end(false);
    return editing;
}

} // namespace sheet
