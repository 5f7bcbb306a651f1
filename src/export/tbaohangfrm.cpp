#include "tbaohangfrm.h"

#include "boundform.h"
#include "reportdocument.h"
#include "sheetparts.h"
#include "values.h"

#include <QDate>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>

using namespace Qt::StringLiterals;
using SheetParts::field;
using SheetParts::text;

namespace {

const QString HeadingName = u"heading"_s;
const QString TitleName = u"title"_s;
constexpr int BodySize = 11;  // points
constexpr int Indent = 80;    // the first line of a paragraph
constexpr int Margin = 50;    // the lines after it
constexpr int Pitch = 32;     // from line to line
constexpr int BodyTop = 200;

QFont bodyFont()
{
    return ReportDocument::defaultFont(BodySize);
}

// The letter's lines from BodyTop: each a paragraph's first line (indented)
// or a line going on.
struct Line {
    bool indented;
    QList<SheetParts::Piece> pieces;
};

FormTable lines(const QList<Line> &body, int *bottom)
{
    FormTable t;
    int y = BodyTop;
    for (const Line &line : body) {
        t << SheetParts::flow(line.indented ? Indent : Margin, y, bodyFont(), line.pieces);
        y += Pitch;
    }
    *bottom = y;
    return t;
}

// What both letters say first: the ship, the B/L and the goods.
QList<Line> opening(const QString &lastWords)
{
    return {
        {true, {text(u"贵司船名"_s), field(TBaoHangFrm::Vessel, u"船名"_s, 150), text(u"航次"_s),
                field(TBaoHangFrm::Voyage, u"航次"_s, 80), text(u"所承运的提单号码"_s),
                field(TBaoHangFrm::BillNumber, u"提单号"_s, 150)}},
        {false, {text(u"项下货物"_s), field(TBaoHangFrm::Pieces, u"件数"_s, 70), text(u"件，货名"_s),
                 field(TBaoHangFrm::Goods, u"货名"_s, 150), text(u"，目的港："_s),
                 field(TBaoHangFrm::Destination, u"目的港"_s, 120), text(lastWords)}},
    };
}

QList<Line> telexRelease()
{
    QList<Line> body = opening(u"。根据"_s);
    body << Line{false, {text(u"我司与收货人之间的有关协议，我司上述货物到达目的港后需要电报放货，"_s)}}
         << Line{false, {text(u"请贵司或贵司代理协助办理放货手续。"_s)}}
         << Line{true, {text(u"我司特此保证以下一几点"_s)}}
         << Line{true, {text(u"一、我司无条件放弃乘运人签发的全套正本提单。"_s)}}
         << Line{true, {text(u"二、因电放所产生的一切责任、后果及相关费用或者给贵司造成的一切"_s)}}
         << Line{false, {text(u"损失均由我司承担而与船公司无关。"_s)}};
    return body;
}

QList<Line> advanceOrBackDated()
{
    QList<Line> body = opening(u"。根据客户"_s);
    body << Line{false, {text(u"的贸易合同 (或信用证)的要求，此票货物需要预借/倒签，倒签日期为："_s),
                         field(TBaoHangFrm::SigningDate, u"倒签日期"_s, 110), text(u"。"_s)}}
         << Line{false, {text(u"请贵公司协助办理为盼。"_s)}}
         << Line{true, {text(u"我司特此保证以下一几点："_s)}}
         << Line{true, {text(u"一、我司上述要求预借/倒签提单的行为没有任何欺诈意图，此提单所涉及的贸"_s)}}
         << Line{false, {text(u"易各方当事人及提单持有人都确认同意上述之行为。"_s)}}
         << Line{true, {text(u"二、任何人就预借/倒签提单向贵司或贵司代理提出的任何索赔而导致贵司所遭"_s)}}
         << Line{false, {text(u"受的任何损失或费用由我司全部承担。"_s)}}
         << Line{true, {text(u"三、因预借/倒签提单而引起的任何诉讼、仲裁，或对船舶、财产的扣押、我司"_s)}}
         << Line{false, {text(u"保证承担法律责任，并保证及时地提供足够的资金以承担上述法律程序的实施所产生"_s)}}
         << Line{false, {text(u"的全部费用或担保金以及由此给贵司所造成的任何损失。"_s)}}
         << Line{true, {text(u"四、我司保证随此保函同时提交的收货人保函的真实性和法律效力。"_s)}};
    return body;
}

} // namespace

const QStringList TBaoHangFrm::PageTitles{u"电放保函"_s, u"预借/到签保函"_s};

TBaoHangFrm::TBaoHangFrm(const CargoJobValues &job, QWidget *parent)
    : PrintableSheet(parent)
{
    setWindowTitle(u"保函"_s);
    setReferenceExtension(QPoint(0, 200));
    const QString today = CommFunU::ChineseDateTimeText(CommFunU::DateText(QDate::currentDate()), QString());
    for (Letter letter : {TelexRelease, AdvanceOrBackDated}) {
        BoundForm *form = addPage(PageTitles.at(letter), fields(letter), QSize(770, 840));
        QWidget *paper = pageSheet(letter);
        auto *heading = paper->findChild<QLabel *>(HeadingName);
        auto *title = paper->findChild<QLabel *>(TitleName);
        SheetParts::SetPageFont(paper, bodyFont(), {heading, title});
        Emphasise(heading, 16);
        Emphasise(title, 18);
        centreCaption(title);
        SheetParts::Fill(form, {
            {Addressee, job.column(u"订舱单位"_s)},
            {Vessel, job.column(u"船名"_s)},
            {Voyage, job.column(u"航次"_s)},
            {BillNumber, job.column(u"提单号"_s)},
            {Pieces, job.column(u"件数"_s)},
            {Goods, job.column(u"货名简称"_s)},
            {Destination, job.column(u"目的港"_s)},
            {SigningDate, job.column(u"签单日期"_s)},
            {Date, today},
        });
    }
}

TBaoHangFrm::~TBaoHangFrm() = default;

FormTable TBaoHangFrm::fields(Letter letter)
{
    FormTable t{
        Field::mark(FirstMark).at(2, 2, 1, 1),
        Field::caption(QString()).named(HeadingName).at(200, 20, 360, 32),
        Field::caption(letter == TelexRelease ? u"电   放   保   函"_s : u"预借/倒签保函"_s).named(TitleName).at(300, 62, 200, 36),
        Field::caption(u"打印日期:"_s).at(500, 112, 70, 24),
        Field::edit(PrintDate, u"打印日期"_s).asDisabled().at(570, 112, 160, 24),
        Field::line().at(20, 144, 720, 1),
        Field::edit(Addressee, u"致"_s).asDisabled().at(Margin, 158, 330, 28),
    };
    int bottom = 0;
    t << lines(letter == TelexRelease ? telexRelease() : advanceOrBackDated(), &bottom);
    int y = bottom + (letter == TelexRelease ? 40 : 16);
    if (letter == AdvanceOrBackDated) {
        t << Field::caption(u"签字："_s).at(470, y, 80, 26);
        y += Pitch;
    }
    t << Field::caption(u"签章："_s).at(470, y, 80, 26) << Field::edit(Date, u"日期"_s).asDisabled().at(470, y + Pitch, 200, 26)
      << Field::mark(SecondMark).at(759, 830, 1, 1);
    return t;
}

void TBaoHangFrm::showEvent(QShowEvent *event)
{
    PrintableSheet::showEvent(event);
    if (std::exchange(m_shown, true))
        return;
    const QString date = SheetParts::PrintDate(false);
    for (int page = 0; page < pageCount(); ++page) {
        SheetParts::ShowHeading(*this, pageSheet(page)->findChild<QLabel *>(HeadingName));
        SheetParts::Fill(pageForm(page), {{PrintDate, date}});
        if (auto *scroll = qobject_cast<QScrollArea *>(pages()->widget(page)))
            scroll->verticalScrollBar()->setValue(0);
    }
}
