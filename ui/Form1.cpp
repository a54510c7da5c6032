#include "Form1.h"

#include "DonationWindow.h"
#include "Fonts.h"
#include "LineEdits.h"
#include "Operations.h"
#include "Placement.h"
#include "StayOnTop.h"
#include "Twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include <limits>

namespace ui {

namespace {

QString utf8(const char* s)
{
    return QString::fromUtf8(s);
}

std::string text(const QLineEdit* box)
{
    return box->text().toStdString();
}

void setTextColour(QWidget* w, const QColor& colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    w->setPalette(p);
}

} // namespace

Form1::Form1(automation::Module1& module, automation::Platform& platform) : m_module(module), m_platform(platform)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(
        QString::fromUtf8(automation::kProgramTitle.data(), static_cast<qsizetype>(automation::kProgramTitle.size())));
    setWindowIcon(QIcon(QStringLiteral(":/tessavo.png")));
    setFont(songti(9));
    setFixedSize(twips(*this, 3720), twips(*this, 6495));
    buildControls();

    Form_Load();
    // After the load step, whose stays-on-top hint is then part of the native window from the start.
    centreOnScreen(*this);
}

Form1::~Form1()
{
    delete m_donation;
}

void Form1::buildControls()
{
    auto frame = [this](QGroupBox*& f, const char* name, const char* caption, int left, int top, int width,
                        int height) {
        f = new QGroupBox(utf8(caption), this);
        f->setObjectName(QString::fromLatin1(name));
        f->setFont(font());
        f->setGeometry(twipsRect(*this, left, top, width, height));
        // The caption stands in the top border line, and the controls are placed from the frame's outer corner.
        f->setStyleSheet(QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: %1px; }"
                                        "QGroupBox::title { subcontrol-origin: margin; left: %2px; padding: 0 1px;"
                                        " color: black; }")
                             .arg(f->fontMetrics().height() / 2)
                             .arg(twips(*this, 105)));
    };
    // A label sized to its caption, standing where the layout puts it, centred on the line it belongs to.
    auto label = [this](QLabel*& l, QWidget* parent, const char* name, const char* caption, int left, int top,
                        int width, int height) {
        l = new QLabel(utf8(caption), parent);
        l->setObjectName(QString::fromLatin1(name));
        // Set on each control: the style sheet of a frame stops its children inheriting the window's font.
        l->setFont(font());
        l->setAutoFillBackground(true);
        const QRect r = twipsRect(*this, left, top, width, height);
        const QSize hint = l->sizeHint();
        l->setGeometry(r.left(), r.center().y() - hint.height() / 2, qMax(r.width(), hint.width()), hint.height());
    };
    auto box = [this](QLineEdit*& b, QLineEdit* made, const char* name, const char* initial, int left, int top,
                      int width, int height, double points) {
        b = made;
        b->setObjectName(QString::fromLatin1(name));
        // No length limit: a longer text would be cut without a word.
        b->setMaxLength(std::numeric_limits<int>::max());
        b->setText(utf8(initial));
        b->setFont(songti(points));
        b->setGeometry(twipsRect(*this, left, top, width, height));
    };
    auto button = [this](QPushButton*& b, QWidget* parent, const char* name, const char* caption, int left, int top,
                         int width, int height) {
        b = new QPushButton(utf8(caption), parent);
        b->setObjectName(QString::fromLatin1(name));
        b->setFont(font());
        b->setGeometry(twipsRect(*this, left, top, width, height));
        b->setAutoDefault(false);
        b->setDefault(false);
    };

    frame(Frame1, "Frame1", "插入空行", 120, 120, 3495, 1575);
    label(Label2, Frame1, "Label2", "每隔", 120, 330, 360, 180);
    box(Text2, new SelectAllLineEdit(Frame1), "Text2", "Text2", 600, 240, 855, 360, 12);
    label(Label3, Frame1, "Label3", "行插入", 1560, 330, 540, 180);
    box(Text3, new SelectAllLineEdit(Frame1), "Text3", "Text3", 2160, 240, 855, 360, 12);
    label(Label4, Frame1, "Label4", "行", 3120, 330, 180, 180);
    label(Label1, Frame1, "Label1", "起始行号", 120, 787, 720, 180);
    box(Text1, new SelectAllLineEdit(Frame1), "Text1", "Text1", 960, 720, 1095, 315, 12);
    label(Label6, Frame1, "Label6", "终止行号", 120, 1147, 720, 180);
    box(Text4, new SelectAllLineEdit(Frame1), "Text4", "", 960, 1080, 1095, 315, 10.5);
    button(Command1, Frame1, "Command1", "插入空行", 2160, 840, 1215, 375);

    frame(Frame4, "Frame4", "插入空列", 120, 1800, 3495, 1575);
    label(Label14, Frame4, "Label14", "每隔", 120, 340, 360, 180);
    box(Text11, new PlainLineEdit(Frame4), "Text11", "Text2", 600, 250, 855, 360, 12);
    label(Label12, Frame4, "Label12", "列插入", 1560, 340, 540, 180);
    box(Text10, new PlainLineEdit(Frame4), "Text10", "Text3", 2160, 273, 855, 360, 12);
    label(Label13, Frame4, "Label13", "列", 3120, 340, 180, 180);
    label(Label11, Frame4, "Label11", "起始列号", 120, 787, 720, 180);
    box(Text9, new PlainLineEdit(Frame4), "Text9", "Text1", 960, 720, 1095, 315, 12);
    label(Label15, Frame4, "Label15", "终止列号", 120, 1147, 720, 180);
    box(Text12, new PlainLineEdit(Frame4), "Text12", "", 960, 1080, 1095, 315, 10.5);
    button(Command4, Frame4, "Command4", "插入空列", 2160, 840, 1215, 375);

    frame(Frame2, "Frame2", "删除空行(某行1-20列为空则视为空行)", 120, 3480, 3495, 1215);
    label(Label5, Frame2, "Label5", "起始行号", 120, 360, 720, 180);
    box(Text5, new SelectAllLineEdit(Frame2), "Text5", "", 960, 270, 1095, 360, 12);
    label(Label7, Frame2, "Label7", "终止行号", 120, 787, 720, 180);
    box(Text6, new SelectAllLineEdit(Frame2), "Text6", "", 960, 720, 1095, 315, 10.5);
    button(Command2, Frame2, "Command2", "删除空行", 2160, 440, 1215, 375);

    frame(Frame3, "Frame3", "选择空行(只选择不删除,判断原则同上)", 120, 4800, 3495, 1095);
    label(Label9, Frame3, "Label9", "起始行号", 120, 345, 720, 180);
    box(Text8, new SelectAllLineEdit(Frame3), "Text8", "", 960, 255, 1095, 360, 12);
    label(Label8, Frame3, "Label8", "终止行号", 120, 727, 720, 180);
    box(Text7, new SelectAllLineEdit(Frame3), "Text7", "", 960, 660, 1095, 315, 10.5);
    button(Command3, Frame3, "Command3", "选择空行", 2160, 420, 1215, 375);

    Check1 = new QCheckBox(utf8("窗口前置"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setFont(font());
    Check1->setGeometry(twipsRect(*this, 360, 6060, 1095, 255));
    setTextColour(Check1, Qt::black);
    button(Command5, this, "Command5", "捐助", 1680, 6000, 750, 375);
    button(Command6, this, "Command6", "退出", 2640, 6000, 750, 375);
    // Below the client area: not visible at the window's fixed size.
    label(Label10, this, "Label10", "Tessavo · 2026年12月 · 欢迎来信反馈", 1800, 6960, 1620, 180);
    setTextColour(Label10, QColor(0, 0, 255));

    const QList<QWidget*> order = {Text4,    Text2,    Text3,    Text1,    Text5,   Text6,  Text7,
                                   Text8,    Check1,   Text9,    Text10,   Text11,  Text12, Command4,
                                   Command1, Command2, Command3, Command5, Command6};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    Text4->setFocus();

    connect(Check1, &QCheckBox::stateChanged, this, [this] { Check1_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
}

void Form1::Form_Load()
{
    for (QLineEdit* b : {Text1, Text2, Text3, Text4, Text11, Text10, Text9, Text12})
        b->setText(QString());
    Check1->setCheckState(Qt::Checked);
}

void Form1::Check1_Click()
{
    platform::qt::setStayOnTop(*this, Check1->checkState() == Qt::Checked);
}

void Form1::Command1_Click()
{
    operations::insertBlankRows(m_module, m_platform, {text(Text1), text(Text4), text(Text2), text(Text3)});
}

void Form1::Command4_Click()
{
    operations::insertBlankColumns(m_module, m_platform, {text(Text9), text(Text12), text(Text11), text(Text10)});
}

void Form1::Command2_Click()
{
    operations::deleteBlankRows(m_module, m_platform, text(Text5), text(Text6));
}

void Form1::Command3_Click()
{
    operations::selectBlankRows(m_module, m_platform, text(Text8), text(Text7));
}

void Form1::Command5_Click()
{
    if (!m_donation)
        m_donation = new DonationWindow;
    m_donation->showNear(this);
}

void Form1::Command6_Click()
{
    unloadDonationWindow();
    close();
}

void Form1::unloadDonationWindow()
{
    if (m_donation)
        m_donation->close();
}

void Form1::closeEvent(QCloseEvent* event)
{
    unloadDonationWindow();
    event->accept();
}

} // namespace ui
