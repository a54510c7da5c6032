#include "ui/Form1.h"

#include "platform/qt/QtDesktop.h"
#include "ui/DonationWindow.h"
#include "ui/Fonts.h"
#include "ui/LineEdits.h"
#include "ui/Placement.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include <limits>

namespace ui {

using layout::Id;
using layout::Kind;

namespace {

QString qstring(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

void setTextColour(QWidget* w, const layout::Colour& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, QColor(c.red, c.green, c.blue));
    w->setPalette(p);
}

} // namespace

Form1::Form1(automation::Module1& module, automation::Desktop& desktop) : m_presenter(*this, module, desktop)
{
    setObjectName(qstring(layout::kForm1Name));
    setWindowTitle(qstring(automation::kProgramTitle));
    setWindowIcon(QIcon(QStringLiteral(":/tessavo.png")));
    setFont(songti(layout::kDefaultPoints));
    setFixedSize(twips(*this, layout::kForm1ClientWidth), twips(*this, layout::kForm1ClientHeight));
    buildControls();

    m_presenter.load();
    // After the load step, whose stays-on-top hint is then part of the native window from the start.
    centreOnScreen(*this);
}

Form1::~Form1()
{
    delete m_donation;
}

template <class T> T* Form1::widget(Id id) const
{
    return static_cast<T*>(m_controls[static_cast<std::size_t>(id)]);
}

void Form1::buildControls()
{
    for (const layout::Control& c : layout::form1Controls()) {
        QWidget* parent = c.container ? widget<QWidget>(*c.container) : this;
        const QString caption = qstring(c.text);
        const QRect r = twipsRect(*this, c.rect);
        QWidget* w = nullptr;
        switch (c.kind) {
        case Kind::Frame: {
            auto* f = new QGroupBox(caption, parent);
            f->setFont(font());
            // The caption stands in the top border line, and the controls are placed from the frame's outer corner.
            f->setStyleSheet(QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: %1px; }"
                                            "QGroupBox::title { subcontrol-origin: margin; left: %2px; padding: 0 1px;"
                                            " color: black; }")
                                 .arg(f->fontMetrics().height() / 2)
                                 .arg(twips(*this, 105)));
            f->setGeometry(r);
            w = f;
            break;
        }
        case Kind::Label: {
            auto* l = new QLabel(caption, parent);
            // Set on each control: the style sheet of a frame stops its children inheriting the window's font.
            l->setFont(font());
            l->setAutoFillBackground(true);
            // Sized to its caption, centred on the line it belongs to.
            const QSize hint = l->sizeHint();
            l->setGeometry(r.left(), r.center().y() - hint.height() / 2, qMax(r.width(), hint.width()), hint.height());
            w = l;
            break;
        }
        case Kind::TextBox: {
            auto* b = new FieldLineEdit(parent);
            // No length limit: a longer text would be cut without a word.
            b->setMaxLength(std::numeric_limits<int>::max());
            b->setText(caption);
            b->setFont(songti(c.points));
            b->setGeometry(r);
            connect(b, &FieldLineEdit::focusGained, this, [this, id = c.id] { m_presenter.focusGained(id); });
            w = b;
            break;
        }
        case Kind::Button: {
            auto* b = new QPushButton(caption, parent);
            b->setFont(font());
            b->setGeometry(r);
            b->setAutoDefault(false);
            b->setDefault(false);
            connect(b, &QPushButton::clicked, this, [this, id = c.id] {
                m_presenter.clicked(id);
                // A close asked for while an edit was running takes effect now that it is done.
                if (m_closeWhenIdle && !m_presenter.busy()) {
                    m_closeWhenIdle = false;
                    close();
                }
            });
            w = b;
            break;
        }
        case Kind::CheckBox: {
            auto* b = new QCheckBox(caption, parent);
            b->setFont(font());
            b->setGeometry(r);
            // A change made by the program goes through the presenter, which acts on it there.
            connect(b, &QCheckBox::stateChanged, this, [this] { m_presenter.check1Changed(); });
            w = b;
            break;
        }
        case Kind::Picture:
            break;
        }
        w->setObjectName(qstring(c.name));
        if (c.colour && c.kind != Kind::Frame)
            setTextColour(w, *c.colour);
        m_controls[static_cast<std::size_t>(c.id)] = w;
    }

    const std::span<const Id> order = layout::focusOrder();
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        setTabOrder(widget<QWidget>(order[i]), widget<QWidget>(order[i + 1]));
    widget<QWidget>(order.front())->setFocus();
}

std::string Form1::text(Id box) const
{
    return widget<QLineEdit>(box)->text().toStdString();
}

void Form1::setText(Id box, std::string_view text)
{
    widget<QLineEdit>(box)->setText(qstring(text));
}

int Form1::textLength(Id box) const
{
    return static_cast<int>(widget<QLineEdit>(box)->text().size());
}

void Form1::select(Id box, int start, int length)
{
    widget<QLineEdit>(box)->setSelection(start, length);
}

int Form1::checkState() const
{
    switch (widget<QCheckBox>(Id::Check1)->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

void Form1::setCheckState(int state)
{
    auto* box = widget<QCheckBox>(Id::Check1);
    const QSignalBlocker quiet(box);
    box->setTristate(state == 2);
    box->setCheckState(state == 1 ? Qt::Checked : state == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

void Form1::setTopmost(bool on)
{
    platform::qt::QtDesktop::setStayOnTop(*this, on);
}

void Form1::createDonationWindow()
{
    m_donation = new DonationWindow;
}

void Form1::showDonationWindow()
{
    m_donation->showNear(this);
}

void Form1::unloadDonationWindow()
{
    if (m_donation)
        m_donation->close();
}

void Form1::closeMainWindow()
{
    close();
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Never refused, but put off until a running edit has finished with the sheet.
    if (m_presenter.busy()) {
        m_closeWhenIdle = true;
        event->ignore();
        return;
    }
    m_presenter.unloading();
    event->accept();
}

} // namespace ui
