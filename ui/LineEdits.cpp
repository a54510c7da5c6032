#include "LineEdits.h"

#include <QFocusEvent>
#include <QMouseEvent>

namespace ui {

void SelectAllLineEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    setSelection(0, static_cast<int>(text().size()));
    // The click that brought the focus would place the caret and drop the selection when it ends.
    m_selectAfterClick = event->reason() == Qt::MouseFocusReason;
}

void SelectAllLineEdit::mouseReleaseEvent(QMouseEvent* event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (m_selectAfterClick) {
        m_selectAfterClick = false;
        setSelection(0, static_cast<int>(text().size()));
    }
}

void PlainLineEdit::focusInEvent(QFocusEvent* event)
{
    const int cursor = cursorPosition();
    const int start = selectionStart();
    const int length = static_cast<int>(selectedText().size());
    QLineEdit::focusInEvent(event);
    if (start >= 0)
        setSelection(start, length);
    else
        setCursorPosition(cursor);
}

} // namespace ui
