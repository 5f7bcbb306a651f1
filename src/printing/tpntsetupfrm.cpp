#include "tpntsetupfrm.h"
#include "clientfiles.h"
#include "captionname.h"

#include "faxpresets.h"

#include "efaxerror.h"
#include "filebox.h"
#include "formprinter.h"
#include "korvanerror.h"
#include "messageservice.h"
#include "reportsettings.h"
#include "stringgrid.h"
#include "textcodec.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr std::array<int, 4> DefaultMargins{5, 5, 5, 20};

QString &settingsPathOverride()
{
    static QString path;
    return path;
}

const QString Caption = u"提示"_s;

void inform(const QString &text, MessageService::Icon icon = MessageService::Icon::Information)
{
    MessageService::inform(Caption, text, icon);
}

// A whole number of at least 0, else the fallback.
int parseOr(const QString &text, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= 0 ? value : fallback;
}

void paintBase(QWidget *box, bool active)
{
    // The grey is the surrounding button face: the box's own button colour
    // may have been whitened by an earlier choice.
    const QWidget *around = box->parentWidget();
    const QColor grey = (around ? around->palette() : QApplication::palette(box)).color(QPalette::Button);
    const QColor colour = active ? QColor(Qt::white) : grey;
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, colour);
    // A drop-down list one cannot type into is painted as a button.
    if (auto *combo = qobject_cast<QComboBox *>(box); combo && !combo->isEditable())
        palette.setColor(QPalette::Button, colour);
    box->setPalette(palette);
}

} // namespace

TPntSetupFrm::TPntSetupFrm(QWidget *parent, PrintLayout &layout)
    : QDialog(parent)
    , m_layout(layout)
    , m_settingsPath(defaultSettingsPath())
    , m_faxBitmapPath(ClientFiles::current().path(ClientFile::FaxPage))
{
    setWindowTitle(u"打印"_s);

    auto *outputGroup = new QGroupBox(u"打印方向："_s, this);
    auto *outputLayout = new QGridLayout(outputGroup);
    auto *buttons = new QButtonGroup(this);
    const QStringList outputNames{u"打印机"_s, u"传真机"_s, u"PDF文件"_s};
    for (int i = 0; i < 3; ++i) {
        m_outputs[size_t(i)] = new QRadioButton(outputNames.at(i), outputGroup);
        buttons->addButton(m_outputs[size_t(i)], i);
    }
    m_copies = new QSpinBox(outputGroup);
    m_copies->setRange(0, 999);
    m_copies->setValue(1);
    m_faxNumber = new QLineEdit(outputGroup);
    m_port = new QComboBox(outputGroup);
    m_port->addItems({u"COM1"_s, u"COM2"_s, u"COM3"_s, u"COM4"_s});
    m_port->setCurrentIndex(-1);
    m_pdfFile = new FileBox(u"PDF文件"_s, u"pdf"_s, outputGroup);
    CommFunU::NameByCaption(m_copies, u"份数："_s);
    CommFunU::NameByCaption(m_faxNumber, u"传真号码:"_s);
    CommFunU::NameByCaption(m_port, u"端口:"_s);
    CommFunU::NameByCaption(m_pdfFile->lineEdit(), u"文件:"_s);

    outputLayout->addWidget(m_outputs[PrinterOutput], 0, 0);
    outputLayout->addWidget(new QLabel(u"份数："_s, outputGroup), 0, 1, Qt::AlignRight);
    m_copies->setMinimumWidth(70);
    outputLayout->addWidget(m_copies, 0, 2, Qt::AlignLeft);
    outputLayout->addWidget(m_outputs[FaxOutput], 1, 0);
    outputLayout->addWidget(new QLabel(u"传真号码:"_s, outputGroup), 1, 1, Qt::AlignRight);
    auto *faxRow = new QHBoxLayout;
    faxRow->addWidget(m_faxNumber, 1);
    faxRow->addWidget(new QLabel(u"端口:"_s, outputGroup));
    faxRow->addWidget(m_port);
    outputLayout->addLayout(faxRow, 1, 2, 1, 2);
    outputLayout->addWidget(m_outputs[PdfOutput], 2, 0);
    outputLayout->addWidget(new QLabel(u"文件:"_s, outputGroup), 2, 1, Qt::AlignRight);
    outputLayout->addWidget(m_pdfFile, 2, 2, 1, 2);
    outputLayout->setColumnStretch(2, 1);

    auto *marginGroup = new QGroupBox(u"页边距"_s, this);
    auto *marginLayout = new QGridLayout(marginGroup);
    const QStringList marginNames{u"左边距："_s, u"右边距："_s, u"上边距："_s, u"下边距："_s};
    for (int i = 0; i < 4; ++i) {
        auto *box = new QLineEdit(QString::number(DefaultMargins[size_t(i)]), marginGroup);
        box->setValidator(new QIntValidator(0, 999, box));
        box->setMaximumWidth(60);
        m_margins[size_t(i)] = box;
        CommFunU::NameByCaption(box, marginNames.at(i));
        marginLayout->addWidget(new QLabel(marginNames.at(i), marginGroup), i / 2, (i % 2) * 3, Qt::AlignRight);
        marginLayout->addWidget(box, i / 2, (i % 2) * 3 + 1);
        marginLayout->addWidget(new QLabel(u"mm"_s, marginGroup), i / 2, (i % 2) * 3 + 2);
    }
    marginLayout->setColumnStretch(2, 1);
    marginLayout->setColumnStretch(5, 1);

    m_plainPaper = new QCheckBox(u"白纸打印（带表格和标题）"_s, this);
    m_plainPaper->setAccessibleName(u"白纸打印"_s);
    m_plainPaper->hide();

    m_setupButton = new QPushButton(u"设置"_s, this);
    m_printButton = new QPushButton(u"打印"_s, this);
    m_cancelButton = new QPushButton(u"取消"_s, this);
    m_setupButton->setAutoDefault(false);
    m_cancelButton->setAutoDefault(false);
    m_printButton->setDefault(true);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_setupButton);
    buttonRow->addWidget(m_printButton);
    buttonRow->addWidget(m_cancelButton);

    m_status = new QLabel(FaxPresets::statusText(TFax::fsIdle), this);
    m_status->setFrameShape(QFrame::StyledPanel);
    m_status->setFrameShadow(QFrame::Sunken);

    auto *main = new QVBoxLayout(this);
    main->addWidget(outputGroup);
    main->addWidget(marginGroup);
    main->addWidget(m_plainPaper);
    main->addLayout(buttonRow);
    main->addWidget(m_status);

    m_outputs[PrinterOutput]->setChecked(true);
    m_pdfFile->setDefaultName(u"单据"_s);
    showOutputColours();

    FaxPresets::configureForDocuments(m_fax);
    connect(&m_fax, &TFax::statusChanged, this, [this](TFax::TFaxStatus status) {
        m_status->setText(FaxPresets::statusText(status));
        m_status->repaint();
    });

    connect(buttons, &QButtonGroup::idClicked, this, [this] { showOutputColours(); });
    connect(m_pdfFile, &FileBox::chosen, this, [this] { setOutput(PdfOutput); });
    connect(m_setupButton, &QPushButton::clicked, this, &TPntSetupFrm::setupPrinter);
    connect(m_printButton, &QPushButton::clicked, this, &TPntSetupFrm::print);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    m_printer.setOrientation(ReportSettings::Portrait);
    loadSettings();
    loadChoices();
}

TPntSetupFrm::~TPntSetupFrm() = default;

QString TPntSetupFrm::defaultSettingsPath()
{
    if (!settingsPathOverride().isEmpty())
        return settingsPathOverride();
    return ClientFiles::current().path(ClientFile::PrintSetup);
}

void TPntSetupFrm::setDefaultSettingsPath(const QString &path)
{
    settingsPathOverride() = path;
}

void TPntSetupFrm::setDocumentTitle(const QString &title)
{
    m_documentTitle = title;
    // A PDF file not chosen yet is named after the document.
    m_pdfFile->nameAfter(title);
}

TPntSetupFrm::Output TPntSetupFrm::output() const
{
    if (m_outputs[FaxOutput]->isChecked())
        return FaxOutput;
    if (m_outputs[PdfOutput]->isChecked())
        return PdfOutput;
    return PrinterOutput;
}

void TPntSetupFrm::setOutput(Output output)
{
    m_outputs[size_t(output)]->setChecked(true);
    showOutputColours();
}

QLineEdit *TPntSetupFrm::pdfFileBox() const
{
    return m_pdfFile->lineEdit();
}

QString TPntSetupFrm::pdfFileName() const
{
    return m_pdfFile->fileName();
}

void TPntSetupFrm::setPdfFileName(const QString &fileName)
{
    m_pdfFile->setFileName(fileName);
}

int TPntSetupFrm::pageCount() const
{
    return m_grid ? (m_grid->rowCount() - 1) / RowsPerPage + 1 : 1;
}

void TPntSetupFrm::showOutputColours()
{
    const Output chosen = output();
    paintBase(m_copies, chosen == PrinterOutput);
    paintBase(m_faxNumber, chosen == FaxOutput);
    paintBase(m_port, chosen == FaxOutput);
    paintBase(m_pdfFile->lineEdit(), chosen == PdfOutput);
}

void TPntSetupFrm::loadSettings()
{
    QFile file(m_settingsPath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    PrintLayout stored;
    stored.MarginLeft = DefaultMargins[0];
    stored.MarginRight = DefaultMargins[1];
    stored.MarginTop = DefaultMargins[2];
    stored.MarginBottom = DefaultMargins[3];
    stored.FaxPort = -1;
    stored.readSettings(file.read(PrintLayout::ImageSize));
    const qint32 margins[] = {stored.MarginLeft, stored.MarginRight, stored.MarginTop, stored.MarginBottom};
    for (int i = 0; i < 4; ++i)
        m_margins[size_t(i)]->setText(QString::number(margins[i]));
    m_port->setCurrentIndex(stored.FaxPort >= 0 && stored.FaxPort < m_port->count() ? stored.FaxPort : -1);
}

void TPntSetupFrm::saveSettings()
{
    QSaveFile file(m_settingsPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_layout.toImage()) != PrintLayout::ImageSize
        || !file.commit()) {
        qWarning("SinglePntsetupf: cannot write %s", qPrintable(m_settingsPath));
    }
}

QString TPntSetupFrm::choicesPath() const
{
    return QFileInfo(m_settingsPath).absoluteDir().absoluteFilePath(u"PrintChoices.txt"_s);
}

void TPntSetupFrm::loadChoices()
{
    QFile file(choicesPath());
    if (!file.open(QIODevice::ReadOnly))
        return;
    // A few short lines; anything larger is no file of ours.
    const QString text = TextCodec::decode(file.read(64 * 1024));
    for (const QString &line : text.split(u'\n')) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == u"Output"_s) {
            bool ok = false;
            const int output = value.toInt(&ok);
            if (ok && output >= PrinterOutput && output <= PdfOutput)
                setOutput(Output(output));
        } else if (key == u"PdfFolder"_s) {
            m_keptFolder = value;
            m_pdfFile->setDefaultFolder(value);
        } else if (key == u"PlainPaper"_s) {
            m_plainPaper->setChecked(value == u"1"_s);
        }
    }
}

void TPntSetupFrm::saveChoices()
{
    QString text = u"Output="_s + QString::number(int(output())) + u'\n';
    if (output() == PdfOutput && !pdfFileName().isEmpty())
        m_keptFolder = QFileInfo(pdfFileName()).absolutePath();
    // One line each: a folder holding a line break is not kept.
    if (!m_keptFolder.isEmpty() && !m_keptFolder.contains(u'\n') && !m_keptFolder.contains(u'\r'))
        text += u"PdfFolder="_s + m_keptFolder + u'\n';
    text += u"PlainPaper="_s + (m_plainPaper->isChecked() ? u"1"_s : u"0"_s) + u'\n';
    QSaveFile file(choicesPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(TextCodec::encode(text)) < 0 || !file.commit())
        qWarning("PrintChoices.txt: cannot write %s", qPrintable(choicesPath()));
}

void TPntSetupFrm::offerPlainPaper(std::function<void(bool plain)> apply)
{
    m_applyPlainPaper = std::move(apply);
    m_plainPaper->setVisible(bool(m_applyPlainPaper));
}

bool TPntSetupFrm::plainPaper() const
{
    return m_plainPaper->isChecked();
}

void TPntSetupFrm::setPlainPaper(bool plain)
{
    m_plainPaper->setChecked(plain);
}

void TPntSetupFrm::confirmAndClose(const QString &text)
{
    inform(text);
    accept();
}

void TPntSetupFrm::normaliseMargins()
{
    for (int i = 0; i < 4; ++i)
        m_margins[size_t(i)]->setText(QString::number(parseOr(m_margins[size_t(i)]->text(), DefaultMargins[size_t(i)])));
}

void TPntSetupFrm::noPrinter()
{
    // Shown here: the process-wide handler keeps quiet about plain errors,
    // and the user has to learn why nothing was printed.
    inform(ReportPrinter::noPrinterMessage(), MessageService::Icon::Warning);
    throw KorvanError(ReportPrinter::noPrinterMessage());
}

void TPntSetupFrm::choosePrinter()
{
    if (!m_printer.isPdf())
        return;
    QString name = QPrinterInfo::defaultPrinterName();
    if (name.isEmpty())
        name = m_printer.targetNames().constFirst();
    m_printer.setCurrentTarget(name);
}

void TPntSetupFrm::print()
{
    normaliseMargins();
    m_layout.MarginLeft = m_margins[LeftMargin]->text().toInt();
    m_layout.MarginRight = m_margins[RightMargin]->text().toInt();
    m_layout.MarginTop = m_margins[TopMargin]->text().toInt();
    m_layout.MarginBottom = m_margins[BottomMargin]->text().toInt();
    m_layout.FaxPort = m_port->currentIndex();
    saveSettings();
    saveChoices();
    m_lastPageCount = 0;
    m_lastFaxSent = false;
    if (m_applyPlainPaper) {
        m_layout.PrintLabels = plainPaper() ? 1 : 0;
        m_applyPlainPaper(plainPaper());
    }

    switch (output()) {
    case PrinterOutput: {
        if (!m_printer.hasPrinters())
            noPrinter();
        choosePrinter();
        m_copies->setValue(qMax(1, m_copies->value()));
        QPrinter &printer = m_printer.printer();
        printer.setCopyCount(m_copies->value());
        printDocument(printer, m_printer.currentTarget());
        break;
    }
    case PdfOutput: {
        if (pdfFileName().isEmpty()) {
            inform(u"请指定PDF文件!"_s, MessageService::Icon::Warning);
            return;
        }
        m_printer.setCurrentTarget(ReportPrinter::pdfTargetName());
        m_printer.setPdfFileName(QFileInfo(pdfFileName()).absoluteFilePath());
        printDocument(m_printer.printer(), m_printer.pdfFileName());
        if (m_lastPageCount > 0)
            confirmAndClose(u"已写入 "_s + m_printer.pdfFileName());
        break;
    }
    case FaxOutput:
        sendFax();
        break;
    }
}

void TPntSetupFrm::printDocument(QPrinter &printer, const QString &target)
{
    printer.setDocName(m_documentTitle.isEmpty() ? windowTitle() : m_documentTitle);
    QPainter painter;
    if (!painter.begin(&printer)) {
        inform(u"无法开始打印: "_s + target, MessageService::Icon::Warning);
        return;
    }
    try {
        const PrintLayout page = PrinterPageLayout(m_layout, &painter);
        m_layout.PageWidth = page.PageWidth;
        m_layout.PageHeight = page.PageHeight;
        const int pages = pageCount();
        for (int p = 1; p <= pages; ++p) {
            if (p > 1)
                printer.newPage();
            DrawForm(page);
            if (m_grid)
                DrawGridRows(m_grid, RowsPerPage * (p - 1), RowsPerPage * p - 1, &painter, page);
            m_lastPageCount = p;
        }
    } catch (const KorvanError &error) {
        painter.end();
        inform(error.message(), MessageService::Icon::Warning);
        return;
    }
    painter.end();
}

QList<QImage> TPntSetupFrm::renderFaxPages()
{
    QList<QImage> pages;
    for (int p = 1; p <= pageCount(); ++p) {
        QImage bitmap;
        if (m_grid)
            RenderFaxPage(m_layout, bitmap, m_grid, RowsPerPage * (p - 1), RowsPerPage * p - 1);
        else
            RenderFaxPage(m_layout, bitmap);
        // Drawn in pure black on white: one bit a pixel holds it exactly.
        pages.append(bitmap.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither));
    }
    return pages;
}

void TPntSetupFrm::sendFax()
{
    QList<QImage> pages;
    try {
        pages = renderFaxPages();
    } catch (const KorvanError &error) {
        inform(error.message(), MessageService::Icon::Warning);
        return;
    }
    if (!pages.last().save(m_faxBitmapPath, "BMP"))
        qWarning("faxtest.bmp: cannot write %s", qPrintable(m_faxBitmapPath));

    m_fax.setFaxDevice(static_cast<TFax::TFaxDevice>(m_layout.FaxPort));
    m_fax.setPhoneNo(m_faxNumber->text());
    bool sent = false;
    try {
        if (m_fax.Connect()) {
            for (qsizetype i = 0; i < pages.size(); ++i) {
                const bool last = i == pages.size() - 1;
                const bool result = m_fax.SendPage(pages.at(i), pages.at(i).rect(), !last);
                if (last)
                    sent = result;
            }
        }
    } catch (const EFaxError &) {
        inform(u"传真失败,请确认Modem设置正确!"_s);
        throw;
    }
    m_lastPageCount = sent ? int(pages.size()) : 0;
    m_lastFaxSent = sent;
    if (sent)
        confirmAndClose(u"传真已发送"_s);
    else
        inform(u"传真失败,请确认Modem设置正确!"_s);
}

void TPntSetupFrm::setupPrinter()
{
    if (output() == PdfOutput) {
        m_printer.setCurrentTarget(ReportPrinter::pdfTargetName());
    } else {
        if (!m_printer.hasPrinters())
            noPrinter();
        choosePrinter();
    }
    const int orientation = m_printer.orientation();
    if (m_printer.runSetupDialog(this) && m_printer.orientation() != orientation) {
        const QString right = m_margins[RightMargin]->text();
        m_margins[RightMargin]->setText(m_margins[BottomMargin]->text());
        m_margins[BottomMargin]->setText(right);
    }
}
