#include "printablesheet.h"

#include "boundform.h"
#include "korvanerror.h"
#include "printlayout.h"
#include "reportdocument.h"
#include "tpntsetupfrm.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

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
    , m_scroll(new QScrollArea(this))
    , m_sheet(new QWidget)
    , m_form(new BoundForm(this))
    , m_printButton(new QPushButton(u"打印"_s, this))
    , m_closeButton(new QPushButton(u"关闭"_s, this))
{
    m_sheet->setObjectName(u"sheet"_s);
    m_sheet->setAutoFillBackground(true);
    QPalette palette = m_sheet->palette();
    palette.setColor(QPalette::Window, Qt::white);
    m_sheet->setPalette(palette);
    // Its own roles, not the dark surround's: white paper, black ink.
    m_sheet->setBackgroundRole(QPalette::Window);
    m_sheet->setForegroundRole(QPalette::WindowText);
    m_sheet->setFont(ReportDocument::defaultFont(9));
    m_scroll->setWidget(m_sheet);
    m_scroll->setWidgetResizable(false);
    m_scroll->setBackgroundRole(QPalette::Dark);

    m_printButton->setAutoDefault(false);
    m_closeButton->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_printButton);
    buttons->addWidget(m_closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_scroll, 1);

    connect(m_printButton, &QPushButton::clicked, this, &PrintableSheet::openPrintDialog);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::reject);
}

PrintableSheet::~PrintableSheet() = default;

void PrintableSheet::buildSheet(const FormTable &table, const QSize &sheetSize)
{
    m_form->buildSheet(table, m_sheet);
    m_sheet->setFixedSize(sheetSize);
    resize(qMin(sheetSize.width() + 40, 1000), qMin(sheetSize.height() + 80, 760));
}

ShapeControl *PrintableSheet::addShape(ShapeControl::Shape shape, const QRect &geometry, const QPen &pen)
{
    auto *control = new ShapeControl(shape, m_sheet);
    control->setGeometry(geometry);
    control->setPen(pen);
    return control;
}

PrintRequest PrintableSheet::printRequest() const
{
    const QWidget *first = m_form->mark(FirstMark);
    const QWidget *second = m_form->mark(SecondMark);
    if (!first || !second)
        throw KorvanError(u"单据缺少打印参考点!"_s);
    PrintRequest request;
    request.container = m_sheet;
    request.printLabels = m_printLabels;
    request.first = first->pos();
    request.second = second->pos() + m_extension;
    request.title = windowTitle();
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

PrintRequest ActivePageRequest(const QTabWidget *pages, const QString &title)
{
    QWidget *page = pages ? pages->currentWidget() : nullptr;
    QWidget *sheet = nullptr;
    if (auto *scroll = qobject_cast<QScrollArea *>(page))
        sheet = scroll->widget();
    else if (page)
        sheet = page->findChild<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    if (!sheet)
        throw KorvanError(u"当前页没有可打印的内容!"_s);
    PrintRequest request;
    request.container = sheet;
    request.printLabels = true;
    request.first = QPoint(0, 0);
    request.second = QPoint(sheet->width(), qMax(sheet->height(), qRound(sheet->width() * A4Proportion)));
    request.title = title;
    return request;
}

void PrintActivePage(const QTabWidget *pages, const QString &title, QWidget *parent)
{
    OpenPrintDialog(ActivePageRequest(pages, title), parent);
}

void PrintableSheet::setDialogHook(DialogHook hook)
{
    dialogHook() = std::move(hook);
}

void PrintableSheet::prepareDialog(TPntSetupFrm &)
{
}
