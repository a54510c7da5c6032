#include "ui/rules/Form1Presenter.h"

#include "operations/Operations.h"

namespace ui {

using layout::Id;

void Form1Presenter::load()
{
    for (Id box : {Id::Text1, Id::Text2, Id::Text3, Id::Text4, Id::Text11, Id::Text10, Id::Text9, Id::Text12})
        m_view.setText(box, {});
    setCheck1(1);
}

void Form1Presenter::focusGained(Id control)
{
    if (layout::selectsAllOnFocus(control))
        m_view.select(control, 0, m_view.textLength(control));
}

void Form1Presenter::check1Changed()
{
    // Only a tick keeps the window in front; clear and greyed both return it to the normal order.
    m_view.setTopmost(m_view.checkState() == 1);
}

void Form1Presenter::setCheck1(int state)
{
    m_view.setCheckState(state);
    check1Changed();
}

void Form1Presenter::clicked(Id button)
{
    if (m_busy)
        return;
    switch (button) {
    case Id::Command1:
    case Id::Command4:
    case Id::Command2:
    case Id::Command3: {
        m_busy = true;
        runEdit(button);
        m_busy = false; // the edits never throw
        break;
    }
    case Id::Command5:
        // One donation window for the whole process, shown again as often as asked.
        if (!m_donationCreated) {
            m_view.createDonationWindow();
            m_donationCreated = true;
        }
        m_view.showDonationWindow();
        break;
    case Id::Command6:
        if (m_donationCreated)
            m_view.unloadDonationWindow();
        m_view.closeMainWindow();
        break;
    default:
        break;
    }
}

void Form1Presenter::runEdit(Id button)
{
    const auto text = [this](Id box) { return m_view.text(box); };
    if (button == Id::Command1)
        operations::insertBlankRows(m_module, m_desktop,
                                    {text(Id::Text1), text(Id::Text4), text(Id::Text2), text(Id::Text3)});
    else if (button == Id::Command4)
        operations::insertBlankColumns(m_module, m_desktop,
                                       {text(Id::Text9), text(Id::Text12), text(Id::Text11), text(Id::Text10)});
    else if (button == Id::Command2)
        operations::deleteBlankRows(m_module, m_desktop, text(Id::Text5), text(Id::Text6));
    else
        operations::selectBlankRows(m_module, m_desktop, text(Id::Text8), text(Id::Text7));
}

void Form1Presenter::unloading()
{
    // Whatever closes the main window closes the donation window first, so the process ends with it.
    if (m_donationCreated)
        m_view.unloadDonationWindow();
}

} // namespace ui
