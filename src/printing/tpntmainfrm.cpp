#include "tpntmainfrm.h"

#include "korvanerror.h"
#include "messageservice.h"
#include "reportprinter.h"
#include "tdataf.h"
#include "tpreviewf.h"
#include "tsetupf.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TPntMainFrm::TPntMainFrm(QWidget *parent, const QString &settingsPath)
    : QDialog(parent)
    , m_printer(nullptr)
{
    setWindowTitle(u"打印窗体"_s);
    resize(1000, 720);
    try {
        m_printer = new ReportPrinter;
        m_pages = new QStackedWidget(this);
        m_data = new TDataF(m_pages);
        m_preview = new TPreviewF(m_data, m_printer, m_pages);
        m_setup = new TsetupF(m_data, m_preview, m_printer, m_pages);
        if (!settingsPath.isEmpty())
            m_setup->setSettingsPath(settingsPath);
        m_pages->addWidget(m_data);
        m_pages->addWidget(m_preview);
        m_pages->addWidget(m_setup);

        auto *tabs = new QHBoxLayout;
        auto *group = new QButtonGroup(this);
        const QString captions[4] = {u"数据窗口"_s, u"预览窗口"_s, u"设置和打印窗口"_s, u"返回"_s};
        for (int i = 0; i < 4; ++i) {
            auto *button = new QPushButton(captions[i], this);
            button->setFlat(true);
            button->setCheckable(i < 3);
            button->setAutoDefault(false);
            button->setMinimumWidth(110);
            tabs->addWidget(button);
            m_buttons.append(button);
            if (i < 3) {
                group->addButton(button, i);
                connect(button, &QPushButton::clicked, this, [this, i] { showTab(Tab(i)); });
            } else {
                connect(button, &QPushButton::clicked, this, &QDialog::reject);
            }
        }
        tabs->addStretch();
        m_buttons.first()->setChecked(true);

        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(4, 4, 4, 4);
        layout->addLayout(tabs);
        layout->addWidget(m_pages, 1);

        m_setup->initialise();
        m_data->Load(u"Local"_s);
    } catch (const KorvanError &e) {
        delete m_printer;
        throw KorvanError(e.message());
    }
}

TPntMainFrm::~TPntMainFrm()
{
    // The pages refer to the printer: they go first.
    delete m_pages;
    m_pages = nullptr;
    delete m_printer;
}

QPushButton *TPntMainFrm::tabButton(int index) const
{
    return m_buttons.value(index);
}

bool TPntMainFrm::Load(const QString &text, const ListColumns &kinds)
{
    bool loaded = false;
    try {
        loaded = m_data->Load(text, kinds);
        m_setup->initialise();
    } catch (const KorvanError &e) {
        if (e.message() == ReportPrinter::noPrinterMessage())
            MessageService::inform(u"提示"_s, u"系统未检测到打印机,请安装打印机!"_s);
        else
            MessageService::inform(u"提示"_s, u"系统初始化出错!"_s + e.message());
    }
    return loaded;
}

TPntMainFrm::Tab TPntMainFrm::currentTab() const
{
    return Tab(m_pages->currentIndex());
}

void TPntMainFrm::showTab(Tab tab)
{
    try {
        if (tab == PreviewTab) {
            // The first build counts the pages; the second puts the total
            // into every footer.
            m_preview->setPageTotal(0);
            m_preview->build();
            m_preview->setPageTotal(m_preview->pageCount());
            m_preview->build();
        } else if (tab == SetupTab) {
            m_setup->refill();
        }
    } catch (const KorvanError &e) {
        MessageService::inform(u"提示"_s, e.message(), MessageService::Icon::Warning);
    }
    m_pages->setCurrentIndex(tab);
    if (QPushButton *button = m_buttons.value(tab))
        button->setChecked(true);
}

void TPntMainFrm::done(int result)
{
    m_setup->saveSettings();
    QDialog::done(result);
}
