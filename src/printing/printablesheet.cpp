#include "printablesheet.h"

#include "boundform.h"
#include "captionname.h"
#include "korvanerror.h"
#include "printlayout.h"
#include "savekey.h"
#include "reportdocument.h"
#include "tagbinding.h"
#include "tpntsetupfrm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include <optional>

using namespace Qt::StringLiterals;

const QString PrintableSheet::FirstMark = u"RefMark1"_s;
const QString PrintableSheet::SecondMark = u"RefMark2"_s;

namespace {

PrintableSheet::DialogHook &dialogHook()
{
    static PrintableSheet::DialogHook hook;
    return hook;
}

// The drawable part of an A4 portrait page between the default margins
// (5 mm left, right and top, 20 mm bottom): 272 mm down for 200 mm across.
constexpr double A4Proportion = 272.0 / 200.0;

// Room beside a centred caption's text, so that the printed text, measured
// at the printer's resolution, is not shrunk to fit.
constexpr int CaptionRoom = 20;

// A sheet of paper: white, black ink, the CJK font of printed documents.
QWidget *newPaper()
{
    auto *paper = new QWidget;
    paper->setObjectName(u"sheet"_s);
    paper->setAutoFillBackground(true);
    QPalette palette = paper->palette();
    palette.setColor(QPalette::Window, Qt::white);
    // Fields filled from a job are disabled: still to be read easily.
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x30, 0x30, 0x30));
    paper->setPalette(palette);
    // Its own roles, not the dark surround's: white paper, black ink.
    paper->setBackgroundRole(QPalette::Window);
    paper->setForegroundRole(QPalette::WindowText);
    paper->setFont(ReportDocument::defaultFont(9));
    return paper;
}

QScrollArea *newPaperArea(QWidget *parent, QWidget *paper)
{
    auto *scroll = new QScrollArea(parent);
    scroll->setWidget(paper);
    scroll->setWidgetResizable(false);
    scroll->setBackgroundRole(QPalette::Dark);
    return scroll;
}

// The top-left corners of a sheet's two reference marks.
std::optional<std::pair<QPoint, QPoint>> referenceMarks(const QWidget *sheet)
{
    if (!sheet)
        return std::nullopt;
    const auto *first = sheet->findChild<QWidget *>(PrintableSheet::FirstMark, Qt::FindDirectChildrenOnly);
    const auto *second = sheet->findChild<QWidget *>(PrintableSheet::SecondMark, Qt::FindDirectChildrenOnly);
    if (!first || !second)
        return std::nullopt;
    return std::make_pair(first->pos(), second->pos());
}

void fillLayout(const PrintRequest &request, PrintLayout &layout)
{
    layout.Container = request.container;
    layout.PrintLabels = request.printLabels ? 1 : 0;
    layout.RefX1 = request.first.x();
    layout.RefY1 = request.first.y();
    layout.RefX2 = request.second.x();
    layout.RefY2 = request.second.y();
}

} // namespace

PrintableSheet::PrintableSheet(QWidget *parent)
    : QDialog(parent)
    , m_scroll(nullptr)
    , m_sheet(newPaper())
    , m_form(new BoundForm(this))
    , m_printButton(new QPushButton(u"打印(&P)"_s, this))
    , m_closeButton(new QPushButton(u"返回"_s, this))
    , m_buttons(new QHBoxLayout)
{
    m_scroll = newPaperArea(this, m_sheet);
    m_printButton->setAutoDefault(false);
    m_closeButton->setAutoDefault(false);
    m_buttons->addStretch(1);
    m_buttons->addWidget(m_printButton);
    m_buttons->addWidget(m_closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(m_buttons);
    layout->addWidget(m_scroll, 1);

    connect(m_printButton, &QPushButton::clicked, this, [this] {
        try {
            print();
        } catch (const std::exception &) {
            // The dialog or the driver has said why; the sheet stays open.
        }
    });
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::reject);
}

PrintableSheet::~PrintableSheet() = default;

void PrintableSheet::buildSheet(const FormTable &table, const QSize &sheetSize)
{
    m_form->buildSheet(table, m_sheet);
    m_sheet->setFixedSize(sheetSize);
    resize(qMin(sheetSize.width() + 40, 1000), qMin(sheetSize.height() + 80, 760));
}

BoundForm *PrintableSheet::addPage(const QString &title, const FormTable &table, const QSize &sheetSize)
{
    if (!m_pages) {
        // The one sheet gives way to the pages.
        m_pages = new QTabWidget(this);
        layout()->replaceWidget(m_scroll, m_pages);
        delete m_scroll;
        m_scroll = nullptr;
        m_sheet = nullptr;
    }
    QWidget *paper = newPaper();
    auto *form = new BoundForm(paper);
    form->buildSheet(table, paper);
    paper->setFixedSize(sheetSize);
    m_pages->addTab(newPaperArea(m_pages, paper), title);
    m_pageForms.append(form);
    resize(qMin(sheetSize.width() + 40, 1000), qMin(sheetSize.height() + 110, 760));
    return form;
}

int PrintableSheet::pageCount() const
{
    return m_pages ? m_pages->count() : 1;
}

QWidget *PrintableSheet::pageSheet(int index) const
{
    if (!m_pages)
        return index == 0 ? m_sheet : nullptr;
    const auto *scroll = qobject_cast<QScrollArea *>(m_pages->widget(index));
    return scroll ? scroll->widget() : nullptr;
}

QWidget *PrintableSheet::sheet() const
{
    return m_pages ? pageSheet(m_pages->currentIndex()) : m_sheet;
}

QPushButton *PrintableSheet::addButton(const QString &caption, const std::function<void()> &action)
{
    auto *button = new QPushButton(caption, this);
    button->setAutoDefault(false);
    m_buttons->insertWidget(m_buttons->indexOf(m_printButton), button);
    connect(button, &QPushButton::clicked, this, action);
    if (CommFunU::CaptionName(caption) == u"保存"_s)
        CommFunU::BindSaveKey(this, button);
    return button;
}

void PrintableSheet::addUnprinted(QWidget *widget, const QRect &geometry, QWidget *page)
{
    widget->setParent(page ? page : sheet());
    widget->setGeometry(geometry);
    CommFunU::SetHint(widget, u"00"_s);
    widget->show();
}

void PrintableSheet::Emphasise(QLabel *caption, int pointSize)
{
    QFont font = caption->font();
    font.setPointSize(pointSize);
    font.setBold(true);
    caption->setFont(font);
}

QLabel *PrintableSheet::emphasiseHeadingAndTitle(const QString &heading, const QString &title)
{
    QLabel *headingLabel = sheet()->findChild<QLabel *>(heading);
    Emphasise(headingLabel, 16);
    if (auto *titleLabel = sheet()->findChild<QLabel *>(title)) {
        Emphasise(titleLabel, 14);
        centreCaption(titleLabel);
    }
    return headingLabel;
}

void PrintableSheet::centreCaption(QLabel *caption) const
{
    const int textWidth = caption->fontMetrics().horizontalAdvance(caption->text());
    const auto marks = referenceMarks(caption->parentWidget());
    const int span = marks ? marks->first.x() + marks->second.x() : caption->parentWidget()->width();
    caption->setGeometry((span - textWidth) / 2, caption->y(), textWidth + CaptionRoom, caption->height());
}

ShapeControl *PrintableSheet::addShape(ShapeControl::Shape shape, const QRect &geometry, const QPen &pen,
                                       QWidget *page)
{
    auto *control = new ShapeControl(shape, page ? page : sheet());
    control->setGeometry(geometry);
    control->setPen(pen);
    return control;
}

PrintRequest PrintableSheet::printRequest() const
{
    if (!referenceMarks(sheet()))
        throw KorvanError(u"单据缺少打印参考点!"_s);
    PrintRequest request = m_pages ? ActivePageRequest(m_pages, windowTitle()) : SheetRequest(m_sheet, windowTitle());
    request.printLabels = m_printLabels;
    request.first += m_offset;
    request.second += m_extension;
    request.grid = m_printGrid;
    return request;
}

void PrintableSheet::fillPrintLayout(PrintLayout &layout) const
{
    fillLayout(printRequest(), layout);
}

void PrintableSheet::openPrintDialog()
{
    OpenPrintDialog(printRequest(), this, [this](TPntSetupFrm &dialog) { prepareDialog(dialog); });
}

int PrintableSheet::execMaximised()
{
    if (const QScreen *shown = screen())
        setGeometry(shown->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
    return exec();
}

void PrintableSheet::print()
{
    openPrintDialog();
}

void OpenPrintDialog(const PrintRequest &request, QWidget *parent, const std::function<void(TPntSetupFrm &)> &prepare)
{
    PrintLayout &layout = PrintLayout::shared();
    fillLayout(request, layout);
    // The shared layout must not point at the container once it is gone.
    struct Release {
        PrintLayout &layout;
        ~Release() { layout.Container = nullptr; }
    } release{layout};
    TPntSetupFrm dialog(parent);
    dialog.setDocumentTitle(request.title);
    dialog.setGrid(request.grid);
    if (prepare)
        prepare(dialog);
    if (dialogHook())
        dialogHook()(dialog);
    dialog.exec();
}

PrintRequest SheetRequest(QWidget *sheet, const QString &title)
{
    if (!sheet)
        throw KorvanError(u"当前页没有可打印的内容!"_s);
    PrintRequest request;
    request.container = sheet;
    request.printLabels = true;
    if (const auto marks = referenceMarks(sheet)) {
        request.first = marks->first;
        request.second = marks->second;
    } else {
        request.first = QPoint(0, 0);
        request.second = QPoint(sheet->width(), qMax(sheet->height(), qRound(sheet->width() * A4Proportion)));
    }
    request.title = title;
    return request;
}

PrintRequest ActivePageRequest(const QTabWidget *pages, const QString &title)
{
    QWidget *page = pages ? pages->currentWidget() : nullptr;
    QWidget *sheet = nullptr;
    if (auto *scroll = qobject_cast<QScrollArea *>(page))
        sheet = scroll->widget();
    else if (page)
        sheet = page->findChild<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    return SheetRequest(sheet, title);
}

void PrintActivePage(const QTabWidget *pages, const QString &title, QWidget *parent)
{
    OpenPrintDialog(ActivePageRequest(pages, title), parent);
}

void KeepProportions(PrintRequest &request)
{
    const int width = request.second.x() - request.first.x();
    request.second.setY(qMax(request.second.y(), request.first.y() + qRound(width * A4Proportion)));
}

void PrintableSheet::setDialogHook(DialogHook hook)
{
    dialogHook() = std::move(hook);
}

void PrintableSheet::prepareDialog(TPntSetupFrm &)
{
}
