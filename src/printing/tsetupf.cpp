#include "tsetupf.h"
#include "captionname.h"

#include "filebox.h"
#include "korvanerror.h"
#include "messageservice.h"
#include "reportprinter.h"
#include "reportsettings.h"
#include "tdataf.h"
#include "tpreviewf.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

int boxValue(const QLineEdit *box, int fallback)
{
    bool ok = false;
    const int value = box->text().trimmed().toInt(&ok);
    return ok && value >= 0 ? value : fallback;
}

QString fontText(const QFont &font)
{
    const int size = font.pointSize() > 0 ? font.pointSize() : font.pixelSize();
    return font.family() + u' ' + QString::number(size);
}

} // namespace

TsetupF::TsetupF(TDataF *dataPage, TPreviewF *preview, ReportPrinter *printer, QWidget *parent)
    : QWidget(parent)
    , m_data(dataPage)
    , m_preview(preview)
    , m_printer(printer)
    , m_settingsPath(ReportSettings::defaultFilePath())
    , m_printerBox(new QComboBox(this))
    , m_portrait(new QRadioButton(u"纵向(&O)"_s))
    , m_landscape(new QRadioButton(u"横向(&A)"_s))
    , m_orientationGroup(new QButtonGroup(this))
    , m_pagePicture(new QFrame)
    , m_copies(new QSpinBox(this))
    , m_fax(new QCheckBox(u"传真"_s, this))
    , m_faxNumber(new QLineEdit(this))
    , m_pdfFile(new FileBox(u"PDF文件"_s, u"pdf"_s, this))
    , m_applyButton(new QPushButton(u"应用"_s, this))
    , m_setupButton(new QPushButton(u"设置"_s, this))
    , m_printButton(new QPushButton(u"打印"_s, this))
{
    // 基本设置: target, orientation with its page picture, copies and fax.
    auto *basic = new QGroupBox(u"基本设置"_s, this);
    CommFunU::NameByCaption(m_printerBox, u"打印机："_s);
    CommFunU::NameByCaption(m_pdfFile->lineEdit(), u"PDF文件："_s);
    CommFunU::NameByCaption(m_copies, u"份数："_s);
    CommFunU::NameByCaption(m_faxNumber, u"传真号码"_s);
    auto *basicForm = new QFormLayout;
    basicForm->addRow(u"打印机："_s, m_printerBox);
    basicForm->addRow(u"PDF文件："_s, m_pdfFile);

    auto *orientationArea = new QWidget(basic);
    orientationArea->setFixedSize(170, 160);
    m_portrait->setParent(orientationArea);
    m_landscape->setParent(orientationArea);
    m_pagePicture->setParent(orientationArea);
    m_portrait->move(10, 20);
    m_landscape->move(10, 50);
    m_pagePicture->setFrameShape(QFrame::Box);
    m_pagePicture->setAutoFillBackground(true);
    m_pagePicture->setPalette(QPalette(Qt::white));
    m_orientationGroup->addButton(m_portrait, ReportSettings::Portrait);
    m_orientationGroup->addButton(m_landscape, ReportSettings::Landscape);
    connect(m_orientationGroup, &QButtonGroup::idClicked, this, &TsetupF::orientationClicked);

    m_copies->setRange(1, 999);
    m_copies->setValue(1);
    m_fax->setEnabled(false);
    m_faxNumber->setEnabled(false);
    auto *copiesRow = new QHBoxLayout;
    copiesRow->addWidget(new QLabel(u"份数："_s, this));
    copiesRow->addWidget(m_copies);
    copiesRow->addWidget(m_fax);
    copiesRow->addWidget(m_faxNumber, 1);

    auto *basicLayout = new QVBoxLayout(basic);
    basicLayout->addLayout(basicForm);
    auto *orientationBox = new QGroupBox(u"方向"_s, basic);
    auto *orientationLayout = new QVBoxLayout(orientationBox);
    orientationLayout->addWidget(orientationArea);
    basicLayout->addWidget(orientationBox);
    basicLayout->addLayout(copiesRow);
    basicLayout->addStretch();

    // Margins and gaps: up to three digits each.
    const QString captions[BoxCount] = {u"左(&L)"_s,           u"右(&R)"_s,          u"上(&T)"_s,
                                        u"下(&B)"_s,           u"标题与表头间距："_s, u"表头与正文间距："_s,
                                        u"正文行间距："_s,     u"正文与小结间距："_s};
    auto *margins = new QGroupBox(u"页边距(mm)："_s, this);
    auto *marginForm = new QFormLayout(margins);
    auto *gaps = new QGroupBox(u"其他设置(mm)："_s, this);
    auto *gapForm = new QFormLayout(gaps);
    for (int i = 0; i < BoxCount; ++i) {
        auto *edit = new QLineEdit(this);
        edit->setMaxLength(3);
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(u"\\s*\\d{0,3}\\s*"_s), edit));
        edit->setFixedWidth(60);
        auto *label = new QLabel(captions[i], this);
        label->setBuddy(edit);
        CommFunU::NameByCaption(edit, captions[i]);
        (i < TitleGap ? marginForm : gapForm)->addRow(label, edit);
        m_boxes[i] = edit;
    }

    // Fonts.
    auto *fonts = new QGroupBox(u"字体设置："_s, this);
    auto *fontGrid = new QGridLayout(fonts);
    const QString fontNames[3] = {u"标题字体： "_s, u"表头与正文字体： "_s, u"小结字体： "_s};
    for (int i = 0; i < 3; ++i) {
        fontGrid->addWidget(new QLabel(fontNames[i], fonts), i, 0);
        m_fontCaptions[i] = new QLabel(fonts);
        fontGrid->addWidget(m_fontCaptions[i], i, 1);
        auto *change = new QPushButton(u"修改"_s, fonts);
        const auto holder = FontHolder(i);
        connect(change, &QPushButton::clicked, this, [this, holder] { chooseFont(holder); });
        fontGrid->addWidget(change, i, 2);
    }
    auto *note = new QLabel(u"注意：打印机上没有的字体，打印时将由最接近的字体代替。"_s, fonts);
    note->setWordWrap(true);
    fontGrid->addWidget(note, 3, 0, 1, 3);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_applyButton);
    buttons->addWidget(m_setupButton);
    buttons->addWidget(m_printButton);

    auto *boxesColumn = new QVBoxLayout;
    boxesColumn->addWidget(margins);
    boxesColumn->addWidget(gaps);
    boxesColumn->addStretch();
    auto *top = new QHBoxLayout;
    top->addWidget(basic, 3);
    top->addLayout(boxesColumn, 2);
    top->addWidget(fonts, 3);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->addStretch();

    connect(m_applyButton, &QPushButton::clicked, this, &TsetupF::apply);
    connect(m_setupButton, &QPushButton::clicked, this, &TsetupF::runSetupDialog);
    connect(m_printButton, &QPushButton::clicked, this, &TsetupF::printReport);
    connect(m_printerBox, &QComboBox::currentTextChanged, this, &TsetupF::targetChosen);

    showOrientation(ReportSettings::Portrait);
}

TsetupF::~TsetupF() = default;

QLineEdit *TsetupF::pdfFileBox() const
{
    return m_pdfFile->lineEdit();
}

void TsetupF::showOrientation(int orientation)
{
    m_shownOrientation = orientation;
    const QSignalBlocker blocker(m_orientationGroup);
    (orientation == ReportSettings::Landscape ? m_landscape : m_portrait)->setChecked(true);
    if (orientation == ReportSettings::Landscape)
        m_pagePicture->setGeometry(100, 110, 50, 40);
    else
        m_pagePicture->setGeometry(105, 100, 40, 50);
}

void TsetupF::orientationClicked(int orientation)
{
    if (orientation == m_shownOrientation)
        return;
    // The page turns: what was the right margin is now the bottom one.
    const QString right = m_boxes[Right]->text();
    m_boxes[Right]->setText(m_boxes[Bottom]->text());
    m_boxes[Bottom]->setText(right);
    showOrientation(orientation);
}

void TsetupF::targetChosen()
{
    const bool pdf = m_printerBox->currentText() == ReportPrinter::pdfTargetName();
    m_pdfFile->setEnabled(pdf);
}

void TsetupF::showFontCaptions()
{
    for (int i = 0; i < 3; ++i)
        m_fontCaptions[i]->setText(fontText(m_fonts[i]));
}

void TsetupF::setFontHolder(FontHolder holder, const QFont &font)
{
    m_fonts[holder] = font;
    showFontCaptions();
}

void TsetupF::chooseFont(FontHolder holder)
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, m_fonts[holder], this);
    if (ok)
        setFontHolder(holder, font);
}

void TsetupF::refill()
{
    {
        const QSignalBlocker blocker(m_printerBox);
        m_printerBox->clear();
        m_printerBox->addItems(m_printer->targetNames());
        m_printerBox->setCurrentText(m_printer->currentTarget());
    }
    targetChosen();
    m_pdfFile->setFileName(m_printer->pdfFileName());
    showOrientation(m_printer->orientation());

    const ReportSettings &s = m_preview->settings();
    const int values[BoxCount] = {s.leftMargin, s.rightMargin, s.topMargin, s.bottomMargin,
                                  s.titleGap,   s.headerGap,   s.lineGap,   s.summaryGap};
    for (int i = 0; i < BoxCount; ++i)
        m_boxes[i]->setText(QString::number(values[i]));

    m_fonts[TitleFont] = m_data->titleFont();
    m_fonts[BodyFont] = m_data->headerTextFont();
    m_fonts[SummaryFont] = m_data->summaryFont();
    showFontCaptions();
}

void TsetupF::apply()
{
    m_printer->setCurrentTarget(m_printerBox->currentText());
    const QString pdfFile = m_pdfFile->fileName();
    if (!pdfFile.isEmpty())
        m_printer->setPdfFileName(pdfFile);
    const int orientation = m_landscape->isChecked() ? ReportSettings::Landscape : ReportSettings::Portrait;
    m_printer->setOrientation(orientation);

    ReportSettings &s = m_preview->settings();
    s.orientation = orientation;
    s.leftMargin = boxValue(m_boxes[Left], 5);
    s.rightMargin = boxValue(m_boxes[Right], ReportSettings::defaultRightMargin(orientation));
    s.topMargin = boxValue(m_boxes[Top], 5);
    s.bottomMargin = boxValue(m_boxes[Bottom], ReportSettings::defaultBottomMargin(orientation));
    s.titleGap = boxValue(m_boxes[TitleGap], 10);
    s.headerGap = boxValue(m_boxes[HeaderGap], 2);
    s.lineGap = boxValue(m_boxes[LineGap], 2);
    s.summaryGap = boxValue(m_boxes[SummaryGap], 5);

    m_data->setTitleFont(m_fonts[TitleFont]);
    m_data->setBodyFont(m_fonts[BodyFont]);
    m_data->setSummaryFont(m_fonts[SummaryFont]);
    refill();
}

void TsetupF::initialise()
{
    m_printer->setOrientation(ReportSettings::Portrait);
    ReportSettings settings = m_preview->settings();
    settings.orientation = ReportSettings::Portrait;
    if (settings.load(m_settingsPath)) {
        m_printer->setOrientation(settings.orientation);
        m_preview->setSettings(settings);
    }
    refill();
    apply();
}

bool TsetupF::saveSettings()
{
    ReportSettings settings = m_preview->settings();
    settings.orientation = m_printer->orientation();
    return settings.save(m_settingsPath);
}

void TsetupF::runSetupDialog()
{
    try {
        if (m_printer->runSetupDialog(this))
            refill();
    } catch (const KorvanError &e) {
        MessageService::inform(u"提示"_s, e.message(), MessageService::Icon::Warning);
    }
}

void TsetupF::printReport()
{
    try {
        apply();
        m_preview->setPageTotal(0);
        m_preview->build();
        const int pages = m_preview->print();
        if (m_printer->isPdf()) {
            MessageService::inform(u"提示"_s, u"报表已写入PDF文件（%1页）：\r"_s.arg(pages) +
                                                  m_printer->pdfFileName());
        }
    } catch (const KorvanError &e) {
        MessageService::inform(u"提示"_s, e.message(), MessageService::Icon::Warning);
    }
}
