#include "ui/LineEdits.h"

#include <QFocusEvent>
#include <QMouseEvent>

namespace ui {

void FieldLineEdit::focusInEvent(QFocusEvent* event)
{
    const int cursor = cursorPosition();
    const int start = selectionStart();
    const int length = static_cast<int>(selectedText().size());
    QLineEdit::focusInEvent(event);
    if (start >= 0)
        setSelection(start, length);
    else
        setCursorPosition(cursor);
    m_reportAfterClick = event->reason() == Qt::MouseFocusReason;
    emit focusGained();
}

void FieldLineEdit::mouseReleaseEvent(QMouseEvent* event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (m_reportAfterClick) {
        m_reportAfterClick = false;
        emit focusGained();
    }
}

} // namespace ui
