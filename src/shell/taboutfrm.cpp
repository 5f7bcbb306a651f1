#include "taboutfrm.h"

#include "loginpicture.h"
#include "queryhelpers.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TAboutFrm::TAboutFrm(QWidget *parent)
    : QDialog(parent)
    , m_telephone(new QLabel(u"Tel:"_s, this))
{
    setWindowTitle(u"关于"_s);
    auto *picture = new LoginPicture(this);
    picture->setCursor(Qt::ArrowCursor);

    auto *product = new QLabel(u"Korvan 货运"_s, this);
    QFont large = product->font();
    large.setBold(true);
    large.setPointSizeF(large.pointSizeF() * 2);
    product->setFont(large);
    QPalette red = product->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    product->setPalette(red);
    m_telephone->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *ok = new QPushButton(u"确定"_s, this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *right = new QVBoxLayout;
    right->addStretch(1);
    right->addWidget(product);
    right->addSpacing(12);
    right->addWidget(new QLabel(u"版本号：1.00"_s, this));
    right->addWidget(m_telephone);
    right->addStretch(1);
    right->addWidget(ok, 0, Qt::AlignRight);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(picture);
    layout->addSpacing(16);
    layout->addLayout(right, 1);
    setFixedSize(sizeHint().expandedTo(QSize(480, 0)));
}

void TAboutFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_loaded)
        return;
    m_loaded = true;
    // The server is asked once the box is on screen.
    QMetaObject::invokeMethod(this, &TAboutFrm::LoadTelephone, Qt::QueuedConnection);
}

void TAboutFrm::LoadTelephone()
{
    const QString line = CommFunU::InfoText(6);
    if (!line.isEmpty())
        m_telephone->setText(line);
}
