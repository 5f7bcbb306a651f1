#include "ttuodanctrlfrm.h"

#include "captionname.h"
#include "tagbinding.h"
#include "tuodantemplates.h"

#include <QFontDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TTuoDanCtrlFrm::TTuoDanCtrlFrm(QWidget *field, QWidget *parent)
    : QDialog(parent)
    , m_field(field)
    , m_printed(new QRadioButton(u"是"_s, this))
    , m_notPrinted(new QRadioButton(u"否"_s, this))
    , m_font(new QPushButton(u"修改字体"_s, this))
    , m_confirm(new QPushButton(u"确认"_s, this))
    , m_cancel(new QPushButton(u"取消"_s, this))
{
    setWindowTitle(u"控件基本属性"_s);
    const QRect g = field->geometry();
    const std::array<int, 4> values{g.x(), g.y(), g.width(), g.height()};
    const std::array<QString, 4> captions{u"横方向位置"_s, u"纵方向位置"_s, u"宽度"_s, u"高度"_s};
    auto *form = new QFormLayout;
    for (int i = 0; i < 4; ++i) {
        m_boxes[size_t(i)] = new QLineEdit(QString::number(values[size_t(i)]), this);
        CommFunU::NameByCaption(m_boxes[size_t(i)], captions[size_t(i)]);
        form->addRow(captions[size_t(i)], m_boxes[size_t(i)]);
    }
    auto *choices = new QHBoxLayout;
    choices->addWidget(m_printed);
    choices->addWidget(m_notPrinted);
    choices->addStretch(1);
    form->addRow(u"是否打印"_s, choices);
    (CommFunU::HintOf(field).isEmpty() ? m_printed : m_notPrinted)->setChecked(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_font);
    buttons->addStretch(1);
    buttons->addWidget(m_confirm);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    m_confirm->setDefault(true);

    connect(m_font, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, m_field->font(), this, u"修改字体"_s);
        if (ok)
            m_field->setFont(font);
    });
    connect(m_confirm, &QPushButton::clicked, this, [this] {
        apply();
        accept();
    });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TTuoDanCtrlFrm::~TTuoDanCtrlFrm() = default;

void TTuoDanCtrlFrm::apply()
{
    const QRect g = m_field->geometry();
    const auto number = [this](Box which, int fallback) {
        bool ok = false;
        const int value = m_boxes.at(which)->text().trimmed().toInt(&ok);
        return ok ? value : fallback;
    };
    m_field->setGeometry(TuoDanTemplates::Clamped(
        QRect(number(Left, g.x()), number(Top, g.y()), number(Width, g.width()), number(Height, g.height()))));
    CommFunU::SetHint(m_field, m_notPrinted->isChecked() ? u"00"_s : QString());
}
