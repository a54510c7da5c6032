#pragma once

#include <QLineEdit>

namespace ui {

/// A text box that selects its whole text whenever it gains the focus, by the keyboard or by a mouse click, so that
/// typing replaces what was there.
class SelectAllLineEdit final : public QLineEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SelectAllLineEdit)
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_selectAfterClick = false;
};

/// A text box that keeps its caret and selection when it gains the focus (Qt's own boxes select all on Tab).
class PlainLineEdit final : public QLineEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlainLineEdit)
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override;
};

} // namespace ui
