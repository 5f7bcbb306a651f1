#include "tmbglfrm.h"

#include "captionname.h"
#include "messageservice.h"
#include "tuodantemplates.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TMBGLFrm::TMBGLFrm(const TuoDanTemplates &templates, Mode mode, QWidget *parent)
    : QDialog(parent)
    , m_templates(templates)
    , m_mode(mode)
    , m_list(new QTreeWidget(this))
    , m_nameCaption(new QLabel(u"输入新的模板名称:"_s, this))
    , m_name(new QLineEdit(this))
    , m_shading(new QCheckBox(u"带底纹"_s, this))
    , m_confirm(new QPushButton(u"确认"_s, this))
    , m_cancel(new QPushButton(u"取消"_s, this))
    , m_delete(new QPushButton(u"删除当前模板"_s, this))
{
    setWindowTitle(u"模板管理"_s);
    m_list->setHeaderLabels({u"序号"_s, u"模板名称"_s});
    m_list->setRootIsDecorated(false);
    m_list->setAccessibleName(u"模板"_s);
    for (int n = 0; n < templates.count(); ++n)
        m_list->addTopLevelItem(new QTreeWidgetItem({QString::number(n), templates.name(n)}));
    m_list->header()->resizeSection(0, 60);
    CommFunU::NameByCaption(m_name, m_nameCaption->text());
    m_delete->setEnabled(false);
    m_shading->hide();
    m_shading->setChecked(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_delete);
    buttons->addStretch(1);
    buttons->addWidget(m_confirm);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_nameCaption);
    layout->addWidget(m_name);
    layout->addWidget(m_shading);
    layout->addLayout(buttons);
    resize(360, 320);

    const bool naming = mode == Mode::Name;
    m_nameCaption->setVisible(naming);
    m_name->setVisible(naming);
    m_confirm->setDefault(true);
    if (naming)
        m_name->setFocus();
    else
        connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { confirm(); });
    connect(m_confirm, &QPushButton::clicked, this, &TMBGLFrm::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TMBGLFrm::~TMBGLFrm() = default;

int TMBGLFrm::chosen() const
{
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

QString TMBGLFrm::name() const
{
    return m_name->text();
}

bool TMBGLFrm::printCaptions() const
{
    return m_shading->isChecked();
}

void TMBGLFrm::setPrintCaptions(bool on)
{
    m_shading->setChecked(on);
}

void TMBGLFrm::confirm()
{
    if (m_mode == Mode::Choose) {
        // Nothing chosen changes nothing.
        if (chosen() < 0) {
            MessageService::inform(u"提示"_s, u"请选择一个模板!"_s, MessageService::Icon::Information);
            return;
        }
        accept();
        return;
    }
    const QString error = m_templates.nameError(m_name->text());
    if (!error.isEmpty()) {
        MessageService::inform(u"提示"_s, error, MessageService::Icon::Information);
        m_name->setFocus();
        return;
    }
    accept();
}
