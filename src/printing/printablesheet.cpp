#include "printablesheet.h"

#include "boundform.h"
#include "korvanerror.h"
#include "printlayout.h"
#include "reportdocument.h"
#include "tpntsetupfrm.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
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

void PrintableSheet::fillPrintLayout(PrintLayout &layout) const
{
    const QWidget *first = m_form->mark(FirstMark);
    const QWidget *second = m_form->mark(SecondMark);
    if (!first || !second)
        throw KorvanError(u"单据缺少打印参考点!"_s);
    layout.Container = m_sheet;
    layout.PrintLabels = m_printLabels ? 1 : 0;
    layout.RefX1 = first->x();
    layout.RefY1 = first->y();
    layout.RefX2 = second->x() + m_extension.x();
    layout.RefY2 = second->y() + m_extension.y();
}

void PrintableSheet::openPrintDialog()
{
    PrintLayout &layout = PrintLayout::shared();
    fillPrintLayout(layout);
    // The shared layout must not point at this sheet once it is gone.
    struct Release {
        PrintLayout &layout;
        ~Release() { layout.Container = nullptr; }
    } release{layout};
    TPntSetupFrm dialog(this);
    dialog.setDocumentTitle(windowTitle());
    dialog.setGrid(m_printGrid);
    prepareDialog(dialog);
    if (dialogHook())
        dialogHook()(dialog);
    dialog.exec();
}

void PrintableSheet::setDialogHook(DialogHook hook)
{
    dialogHook() = std::move(hook);
}

void PrintableSheet::prepareDialog(TPntSetupFrm &)
{
}
