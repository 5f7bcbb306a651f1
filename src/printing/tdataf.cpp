#include "tdataf.h"

#include "captionname.h"
#include "filebox.h"
#include "korvanerror.h"
#include "messageservice.h"
#include "reportworkbook.h"
#include "stringgrid.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TDataF::TDataF(QWidget *parent)
    : QWidget(parent)
    , m_subtitle(new QLabel(this))
    , m_title(new QLabel(this))
    , m_list(new StringGrid(this))
    , m_summary(new QLabel(this))
    , m_excelFile(new FileBox(u"Excel文件"_s, u"xlsx"_s, this))
    , m_exportButton(new QPushButton(u"导出Excel"_s, this))
{
    auto *header = new QWidget(this);
    header->setFixedHeight(123);
    auto *headerGrid = new QGridLayout(header);
    headerGrid->setContentsMargins(5, 4, 5, 4);
    m_subtitle->setAlignment(Qt::AlignCenter);
    m_title->setAlignment(Qt::AlignCenter);
    headerGrid->addWidget(m_subtitle, 0, 0, 1, 3);
    headerGrid->addWidget(m_title, 1, 0, 1, 3);
    const Qt::Alignment placement[3] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    for (int i = 0; i < 6; ++i) {
        m_headers[i] = new QLabel(header);
        m_headers[i]->setAlignment(placement[i % 3] | Qt::AlignVCenter);
        headerGrid->addWidget(m_headers[i], 2 + i / 3, i % 3);
    }

    m_list->setHeadingRow(true);
    m_list->setEditable(false);
    m_list->setRowSelect(true);
    m_list->horizontalHeader()->setSectionsClickable(true);
    connect(m_list->horizontalHeader(), &QHeaderView::sectionClicked, this, &TDataF::sortByColumn);
    // A column the user widens or narrows prints at its new width.
    connect(m_list->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column >= 0 && column < m_doc.columns.size())
            m_doc.columns[column].width = size;
    });

    auto *footer = new QWidget(this);
    footer->setFixedHeight(113);
    auto *footerLayout = new QVBoxLayout(footer);
    footerLayout->setContentsMargins(5, 4, 5, 4);
    footerLayout->addWidget(m_summary);
    auto *signatureRow = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        m_signatures[i] = new QLabel(m_doc.signatures[i], footer);
        signatureRow->addWidget(m_signatures[i], 1);
    }
    footerLayout->addLayout(signatureRow);
    footerLayout->addStretch();

    // The Excel file and 导出Excel, apart from the bands that print.
    auto *exportBar = new QFrame(this);
    exportBar->setFrameShape(QFrame::StyledPanel);
    auto *exportLayout = new QHBoxLayout(exportBar);
    exportLayout->setContentsMargins(5, 4, 5, 4);
    auto *excelLabel = new QLabel(u"Excel文件："_s, exportBar);
    excelLabel->setBuddy(m_excelFile);
    CommFunU::NameByCaption(m_excelFile->lineEdit(), excelLabel->text());
    m_excelFile->setDefaultName(u"报表"_s);
    m_exportButton->setAutoDefault(false);
    m_exportButton->setEnabled(false);
    exportLayout->addWidget(excelLabel);
    exportLayout->addWidget(m_excelFile, 1);
    exportLayout->addWidget(m_exportButton);
    connect(m_exportButton, &QPushButton::clicked, this, &TDataF::exportExcel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header);
    layout->addWidget(m_list, 1);
    layout->addWidget(footer);
    layout->addWidget(exportBar);

    m_subtitle->setFont(m_doc.subtitleFont);
    applyFonts();
}

TDataF::~TDataF() = default;

bool TDataF::Load(const QString &text, const ListColumns &kinds)
{
    const QFontMetrics metrics(m_doc.listFont);
    const auto result =
        m_doc.load(text, [&metrics](const QString &caption) { return metrics.horizontalAdvance(caption); }, kinds);

    m_subtitle->setText(m_doc.subtitle);
    m_title->setText(m_doc.title);
    for (int i = 0; i < 6; ++i)
        m_headers[i]->setText(m_doc.headerTexts[i]);
    if (result != ReportDocument::LoadResult::Loaded)
        return false;

    m_summary->setText(m_doc.summary);
    showRows();
    m_excelFile->nameAfter(m_doc.title);
    m_exportButton->setEnabled(true);
    return true;
}

void TDataF::showRows()
{
    QStringList captions;
    captions.reserve(m_doc.columns.size());
    for (const ReportDocument::Column &column : m_doc.columns)
        captions.append(column.caption);
    QList<QStringList> rows;
    rows.reserve(m_doc.rows.size() + 1);
    rows.append(captions);
    rows.append(m_doc.rows);

    // Setting the rows must not turn the view's widths back into the
    // report's column widths, so they are applied afterwards.
    const QList<ReportDocument::Column> columns = m_doc.columns;
    m_list->setListColumns(m_doc.listColumns());
    m_list->setRows(std::move(rows), int(captions.size()));
    for (int c = 0; c < columns.size(); ++c)
        m_list->setColumnWidth(c, columns.at(c).width);
    m_doc.columns = columns;
}

void TDataF::sortByColumn(int column)
{
    if (column < 0 || column >= m_doc.columns.size())
        return;
    m_doc.sortByColumn(column);
    showRows();
}

void TDataF::exportExcel()
{
    const QString file = m_excelFile->fileName();
    if (file.isEmpty()) {
        MessageService::inform(u"提示"_s, u"请指定Excel文件!"_s, MessageService::Icon::Warning);
        return;
    }
    try {
        ReportWorkbook(m_doc).save(file);
        MessageService::inform(u"提示"_s, u"报表已写入Excel文件：\r"_s + QFileInfo(file).absoluteFilePath());
    } catch (const KorvanError &e) {
        MessageService::inform(u"提示"_s, e.message(), MessageService::Icon::Warning);
    }
}

void TDataF::applyFonts()
{
    m_title->setFont(m_doc.titleFont);
    for (QLabel *label : m_headers)
        label->setFont(m_doc.headerFont);
    m_list->setFont(m_doc.listFont);
    m_summary->setFont(m_doc.summaryFont);
    for (QLabel *label : m_signatures)
        label->setFont(m_doc.summaryFont);
}

void TDataF::setTitleFont(const QFont &font)
{
    m_doc.titleFont = font;
    applyFonts();
}

void TDataF::setBodyFont(const QFont &font)
{
    m_doc.listFont = font;
    m_doc.headerFont = font;
    applyFonts();
}

void TDataF::setSummaryFont(const QFont &font)
{
    m_doc.summaryFont = font;
    applyFonts();
}
