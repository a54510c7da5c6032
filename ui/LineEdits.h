#pragma once

#include <QLineEdit>

namespace ui {

/// A text box that keeps its caret and selection when it gains the focus (Qt's own boxes select all on Tab) and
/// reports each gain of the focus, so that the window's rules decide what is selected. A click that brings the
/// focus is reported again when the button is released: the click places the caret after the focus arrives.
class FieldLineEdit final : public QLineEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FieldLineEdit)
public:
    using QLineEdit::QLineEdit;

signals:
    void focusGained();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_reportAfterClick = false;
};

} // namespace ui
