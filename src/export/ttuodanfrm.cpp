#include "ttuodanfrm.h"
#include "clientfiles.h"

#include "boundform.h"
#include "currentuser.h"
#include "focushighlighter.h"
#include "messageservice.h"
#include "queryhelpers.h"
#include "reportdocument.h"
#include "tagbinding.h"
#include "tmbglfrm.h"
#include "ttuodanctrlfrm.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

QString &pathOverride()
{
    static QString path;
    return path;
}

const QSize PageSize(780, 1052);
const QColor PageColour(230, 230, 230);  // light grey
const QColor FieldColour(210, 210, 210); // the fields a shade darker
constexpr int FromWidth = 204;           // from the From caption to the 打印日期 caption

// A data field: its accessible name, design bounds and whether it is multi-line.
struct FieldDesign {
    QString name;
    QRect bounds;
    bool memo = false;
};

const QList<FieldDesign> &designs()
{
    static const QList<FieldDesign> list{
        {u"SHIPPER"_s, {40, 65, 353, 105}, true},
        {u"CONSIGNEE"_s, {40, 189, 353, 95}, true},
        {u"NOTIFY PARTY"_s, {40, 297, 353, 87}, true},
        {u"船名航次"_s, {112, 404, 201, 24}},
        {u"装货港"_s, {408, 404, 145, 24}},
        {u"卸货港"_s, {112, 436, 201, 24}},
        {u"目的港"_s, {408, 436, 145, 24}},
        {u"业务编号"_s, {485, 116, 204, 24}},
        {u"委托编号"_s, {485, 150, 204, 24}},
        {u"运输方式"_s, {288, 740, 121, 24}},
        {u"运费条款"_s, {413, 740, 172, 24}},
        {u"大写合计"_s, {256, 780, 489, 24}},
        {u"提单号"_s, {485, 82, 204, 24}},
        {u"箱型箱量"_s, {288, 708, 297, 24}},
        {u"箱封号"_s, {40, 705, 201, 122}, true},
        {u"唛头"_s, {40, 503, 201, 175}, true},
        {u"件数"_s, {288, 500, 129, 24}},
        {u"货名"_s, {288, 532, 241, 171}, true},
        {u"毛重"_s, {428, 500, 133, 24}},
        {u"尺码"_s, {576, 500, 113, 24}},
        {u"目的港代理"_s, {408, 297, 281, 87}, true},
        {u"签发地点"_s, {495, 865, 122, 24}},
        {u"提单份数"_s, {616, 184, 73, 24}},
        {u"是否转船"_s, {336, 835, 79, 24}},
        {u"是否分批"_s, {336, 865, 79, 24}},
        {u"打印日期"_s, {346, 11, 215, 20}},
        {u"船期"_s, {128, 835, 129, 24}},
        {u"截关日期"_s, {128, 865, 129, 24}},
        {u"港区"_s, {495, 835, 122, 24}},
        {u"委托人"_s, {485, 48, 204, 24}},
        {u"是否电放"_s, {485, 184, 52, 24}},
        {u"附注"_s, {62, 982, 213, 24}},
        {u"联系人"_s, {410, 214, 279, 24}},
        {u"电话传真"_s, {410, 246, 279, 24}},
        {u"船期标题"_s, {40, 835, 81, 24}},
        {u"截关日期标题"_s, {40, 865, 82, 24}},
    };
    return list;
}

struct CaptionDesign {
    QString text;
    QPoint at;
    int pixels = 14;
};

const QList<CaptionDesign> &captionDesigns()
{
    static const QList<CaptionDesign> list{
        {u"打印日期"_s, {284, 16}, 12},
        {u"SHIPPER:"_s, {44, 48}},
        {u"委 托 人:"_s, {412, 50}},
        {u"提 单 号:"_s, {412, 84}},
        {u"业务编号:"_s, {412, 118}},
        {u"委托编号:"_s, {412, 152}},
        {u"CONSIGNEE:"_s, {44, 173}},
        {u"是否电放:"_s, {412, 187}},
        {u"提单份数"_s, {548, 187}},
        {u"目的港代理:"_s, {412, 279}},
        {u"NOTIFY PARTY:"_s, {44, 283}},
        {u"船名航次:"_s, {44, 407}},
        {u"装 货 港:"_s, {340, 407}},
        {u"卸 货 港:"_s, {44, 439}},
        {u"目 的 港:"_s, {340, 439}},
        {u"件数:"_s, {272, 478}},
        {u"毛重:"_s, {420, 478}},
        {u"尺码:"_s, {572, 478}},
        {u"唛头:"_s, {44, 479}},
        {u"货名:"_s, {248, 535}},
        {u"箱封号:"_s, {44, 687}},
        {u"是否转船"_s, {268, 838}},
        {u"港    区"_s, {424, 838}},
        {u"是否分批"_s, {268, 868}},
        {u"签发地点"_s, {424, 868}},
        {u"注意事项:"_s, {44, 911}},
        {u"1.请在24小时内予以确认件数、毛重、尺码，并告知箱封号，逾期我司将以此确认件制单。"_s, {60, 935}},
        {u"2.如有内容更正，请出具更正单通知通知我司。             谢谢合作！"_s, {60, 959}},
    };
    return list;
}

QFont sheetFont(int pixels, bool bold)
{
    QFont font = ReportDocument::defaultFont(9, bold); // 宋体 where installed
    font.setPixelSize(pixels);
    return font;
}

void tell(const QString &text)
{
    MessageService::inform(u"提示"_s, text, MessageService::Icon::Information);
}

// The picture behind the fields: shown, never printed; a double-click removes it.
class BackgroundPicture : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void mouseDoubleClickEvent(QMouseEvent *) override
    {
        clear();
        hide();
    }
};

} // namespace

TTuoDanFrm::TTuoDanFrm(const CargoJobValues &job, QWidget *parent)
    : PrintableSheet(parent)
{
    setWindowTitle(TuoDanTemplates::DefaultName);
    buildPage();

    auto *choose = addButton(u"选择格式"_s, [this] { chooseTemplate(); });
    auto *design = addButton(u"制作模板"_s, [] {});
    m_menu = new QMenu(design);
    m_menu->addAction(u"修改属性"_s, this, &TTuoDanFrm::editProperties);
    m_menu->addAction(u"删除数据"_s, this, &TTuoDanFrm::removeField);
    m_menu->addAction(u"打开模版"_s, this, &TTuoDanFrm::chooseTemplate);
    m_menu->addAction(u"保存模版"_s, this, &TTuoDanFrm::saveTemplate);
    m_menu->addAction(u"另存模版"_s, this, &TTuoDanFrm::saveTemplateAs);
    design->setMenu(m_menu);
    auto *picture = addButton(u"提单背景"_s, [this] { chooseBackground(); });
    // The buttons leave the focus on the field the designer works on.
    for (QPushButton *button : {choose, design, picture, printButton(), closeButton()})
        button->setFocusPolicy(Qt::NoFocus);

    // The default template always holds the design layout, whatever the file says.
    const QString path = templatePath();
    const bool existed = QFileInfo::exists(path);
    report(m_templates.load(path));
    captureInto(0);
    if (!existed)
        report(m_templates.save(path));

    fill(job);
}

TTuoDanFrm::~TTuoDanFrm() = default;

void TTuoDanFrm::buildPage()
{
    FormTable table{::Field::mark(FirstMark).at(2, 0, 1, 1)};
    table << ::Field::caption(QString()).named(u"from"_s).at(76, 16, FromWidth, 16);
    for (const CaptionDesign &c : captionDesigns()) {
        const int width = QFontMetrics(sheetFont(c.pixels, false)).horizontalAdvance(c.text) + 12;
        table << ::Field::caption(c.text).at(c.at.x(), c.at.y(), width, c.pixels + 4);
    }
    table << ::Field::line().at(18, 35, 734, 1);
    for (int i = 1; i <= FieldCount; ++i) {
        const FieldDesign &d = designs().at(i - 1);
        table << (d.memo ? ::Field::memo(tagOf(i), d.name) : ::Field::edit(tagOf(i), d.name)).at(d.bounds.x(), d.bounds.y(),
                                                                                             d.bounds.width(),
                                                                                             d.bounds.height());
    }
    table << ::Field::mark(SecondMark).at(759, 1020, 1, 1);
    buildSheet(table, PageSize);

    QWidget *page = sheet();
    QPalette palette = page->palette();
    palette.setColor(QPalette::Window, PageColour);
    page->setPalette(palette);

    m_from = page->findChild<QLabel *>(u"from"_s);
    for (int i = 1; i <= FieldCount; ++i) {
        QWidget *f = form()->field(tagOf(i));
        m_fields << f;
        f->setFont(sheetFont(i == PrintDate ? 12 : 16, true));
        CommFunU::SetRestColour(f, FieldColour);
        f->installEventFilter(this);
        if (auto *memo = qobject_cast<QPlainTextEdit *>(f)) {
            memo->viewport()->installEventFilter(this);
            memo->setFrameShape(QFrame::NoFrame);
            memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        } else if (auto *edit = qobject_cast<QLineEdit *>(f)) {
            edit->setFrame(false);
        }
    }
    // Everything else but the marks is a caption or the rule.
    for (QObject *child : page->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (!widget || m_fields.contains(widget) || widget->objectName() == FirstMark
            || widget->objectName() == SecondMark)
            continue;
        m_captions << widget;
        if (auto *label = qobject_cast<QLabel *>(widget))
            label->setFont(sheetFont(label == m_from || label->text() == u"打印日期"_s ? 12 : 14, false));
    }

    m_background = new BackgroundPicture(page);
    m_background->setToolTip(u"双击关闭背景提单"_s);
    CommFunU::SetHint(m_background, u"00"_s);
    m_background->hide();
    m_background->lower();
}

void TTuoDanFrm::fill(const CargoJobValues &job)
{
    const auto c = [&job](const QString &column) { return job.column(column); };
    const auto yesNo = [&job](const QString &column) { return job.column(column) == u"1"_s ? u"是"_s : u"否"_s; };
    QStringList seals;
    for (const QStringList &row : job.cargoRows)
        seals << row.value(1).trimmed();
    const CurrentUserRecord &user = CommFunU::CurrentUser();
    const QList<std::pair<int, QString>> texts{
        {Shipper, c(u"发货人"_s)},
        {Consignee, c(u"收货人"_s)},
        {NotifyParty, c(u"通知人"_s)},
        {VesselVoyage, job.vesselAndVoyage()},
        {LoadingPort, c(u"装货港"_s)},
        {DischargePort, c(u"卸货港"_s)},
        {Destination, c(u"目的港"_s)},
        {Number, job.number()},
        {ClientNumber, c(u"委托编号"_s)},
        {Services, c(u"FromServerType"_s) + u" TO "_s + c(u"ToServerType"_s)},
        {FreightTerms, c(u"收费条款"_s)},
        {TotalInWords, c(u"集装箱数或件数合计"_s)},
        {BillNumber, c(u"提单号"_s)},
        {Containers, c(u"箱型箱量"_s)},
        {ContainerSeals, seals.join(u'\n')},
        {Marks, c(u"标记和号码"_s)},
        {Packages, c(u"件数"_s) + c(u"包装种类"_s)},
        {Goods, c(u"货名"_s)},
        {GrossWeight, c(u"毛重"_s) + u"KGS"_s},
        {Measurement, c(u"尺码"_s) + u"CMB"_s},
        {Agent, c(u"目的港代理"_s)},
        {IssuedAt, c(u"签发地点"_s)},
        {OriginalBills, c(u"正本提单份数"_s)},
        {Transhipment, yesNo(u"转船"_s)},
        {Partial, yesNo(u"分批"_s)},
        {PrintDate, QDateTime::currentDateTime().toString(u"yyyy-MM-dd hh:mm"_s)},
        {SailingDate, c(u"船期"_s)},
        {CutOffDate, c(u"截关日期"_s)},
        {Terminal, c(u"作业码头"_s)},
        {Client, c(u"委托人"_s)},
        {TelexRelease, yesNo(u"电放"_s)},
        {FreeText, QString()},
        {Contact, u"请与我司"_s + user.StaffName + u"联系"_s},
        {Telephone, u"电话:"_s + user.Extension + u"  传真:"_s + user.Fax},
        {SailingCaption, u"船    期"_s},
        {CutOffCaption, u"截关日期"_s},
    };
    for (const auto &[i, text] : texts) {
        QString value = text;
        value.replace(u"\r\n"_s, u"\n"_s);
        if (auto *memo = qobject_cast<QPlainTextEdit *>(field(i)))
            memo->setPlainText(value);
        else if (auto *edit = qobject_cast<QLineEdit *>(field(i))) {
            edit->setText(value);
            edit->setCursorPosition(0); // a long text shows its beginning
        }
    }
}

QString TTuoDanFrm::templatePath()
{
    if (!pathOverride().isEmpty())
        return pathOverride();
    return ClientFiles::current().path(ClientFile::BLTemplates);
}

void TTuoDanFrm::setTemplatePath(const QString &path)
{
    pathOverride() = path;
}

QWidget *TTuoDanFrm::field(int i) const
{
    return m_fields.value(i - 1);
}

void TTuoDanFrm::report(const TuoDanTemplates::Outcome &outcome) const
{
    if (!outcome.ok)
        tell(outcome.message);
}

QString TTuoDanFrm::currentLayout() const
{
    QList<TuoDanTemplates::Record> records;
    for (const QWidget *f : m_fields)
        records.append({f->geometry(), !f->isHidden()});
    return TuoDanTemplates::FormatLayout(records);
}

void TTuoDanFrm::captureInto(int n)
{
    m_templates.setLayout(n, currentLayout());
}

void TTuoDanFrm::applyTemplate(int n)
{
    if (n < 0 || n >= m_templates.count())
        return;
    setWindowTitle(m_templates.name(n));
    m_printCaptions = m_templates.printCaptions(n);
    const QList<TuoDanTemplates::Record> records = TuoDanTemplates::ParseLayout(m_templates.layout(n), FieldCount);
    for (qsizetype i = 0; i < records.size(); ++i) {
        QWidget *f = m_fields.at(i);
        f->setGeometry(records.at(i).geometry);
        f->setVisible(records.at(i).visible);
        CommFunU::SetHint(f, records.at(i).visible ? QString() : u"00"_s);
    }
    for (QWidget *caption : std::as_const(m_captions))
        caption->setVisible(n == 0);
}

void TTuoDanFrm::shift(QWidget *field, int dx, int dy, bool resize)
{
    QRect g = field->geometry();
    if (resize)
        g.setSize(QSize(g.width() + dx, g.height() + dy));
    else
        g.moveTo(g.x() + dx, g.y() + dy);
    field->setGeometry(TuoDanTemplates::Clamped(g));
}

QWidget *TTuoDanFrm::fieldOf(QObject *watched) const
{
    for (QWidget *f : m_fields) {
        if (watched == f)
            return f;
        if (auto *memo = qobject_cast<QPlainTextEdit *>(f); memo && watched == memo->viewport())
            return f;
    }
    return nullptr;
}

bool TTuoDanFrm::eventFilter(QObject *watched, QEvent *event)
{
    QWidget *f = nullptr;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
        f = fieldOf(watched);
        break;
    default:
        break;
    }
    if (!f)
        return PrintableSheet::eventFilter(watched, event);

    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier);
        int dx = 0;
        int dy = 0;
        switch (key->key()) {
        case Qt::Key_Left: dx = -1; break;
        case Qt::Key_Right: dx = 1; break;
        case Qt::Key_Up: dy = -1; break;
        case Qt::Key_Down: dy = 1; break;
        default: return false;
        }
        if (mods == (Qt::ControlModifier | Qt::ShiftModifier))
            shift(f, dx * 5, dy * 5, false);
        else if (mods == Qt::ControlModifier)
            shift(f, dx, dy, false);
        else if (mods == Qt::ShiftModifier)
            shift(f, dx, dy, true);
        else
            return false; // ordinary caret movement
        return true;
    }

    auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint global = mouse->globalPosition().toPoint();
    const auto follow = [&] {
        const QPoint to = m_pressPos + (global - m_pressGlobal);
        const QRect g = TuoDanTemplates::Clamped(QRect(to, m_dragged->size()));
        m_dragged->move(g.topLeft());
    };
    if (event->type() == QEvent::MouseButtonPress) {
        if (mouse->button() == Qt::LeftButton) {
            m_dragged = f;
            f->raise(); // seen above the fields it passes
            m_pressGlobal = global;
            m_pressPos = f->pos();
        }
        return false;
    }
    if (!m_dragged || m_dragged != f)
        return false;
    follow();
    if (event->type() == QEvent::MouseButtonRelease)
        m_dragged = nullptr;
    // While dragging the field moves; its text is not selected.
    return event->type() == QEvent::MouseMove;
}

QWidget *TTuoDanFrm::focusedField()
{
    QWidget *focused = focusWidget();
    if (!focused) {
        tell(u"请选择一个控件"_s);
        return nullptr;
    }
    return m_fields.contains(focused) ? focused : nullptr;
}

void TTuoDanFrm::editProperties()
{
    m_dragged = nullptr;
    QWidget *f = focusedField();
    if (!f)
        return;
    TTuoDanCtrlFrm dialog(f, this);
    dialog.exec();
}

void TTuoDanFrm::removeField()
{
    QWidget *f = focusedField();
    if (!f)
        return;
    f->hide();
    focusNextChild();
}

void TTuoDanFrm::chooseTemplate()
{
    TMBGLFrm dialog(m_templates, TMBGLFrm::Mode::Choose, this);
    if (dialog.exec() != QDialog::Accepted || dialog.chosen() < 0)
        return;
    m_current = dialog.chosen();
    applyTemplate(m_current);
}

void TTuoDanFrm::saveTemplate()
{
    if (m_current == 0) {
        tell(u"默认模板不能修改!"_s);
        return;
    }
    captureInto(m_current);
}

void TTuoDanFrm::saveTemplateAs()
{
    TMBGLFrm dialog(m_templates, TMBGLFrm::Mode::Name, this);
    dialog.setPrintCaptions(m_printCaptions);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_current = m_templates.append(dialog.name(), dialog.printCaptions());
    captureInto(m_current);
    applyTemplate(m_current);
}

void TTuoDanFrm::chooseBackground()
{
    QStringList patterns;
    for (const QByteArray &format : QImageReader::supportedImageFormats())
        patterns << u"*."_s + QString::fromLatin1(format);
    const QString fileName = QFileDialog::getOpenFileName(this, u"提单背景"_s, ClientFiles::current().path(ClientFile::BLPictures),
                                                          u"图片 ("_s + patterns.join(u' ') + u')');
    if (!fileName.isEmpty())
        setBackground(fileName);
}

void TTuoDanFrm::setBackground(const QString &fileName)
{
    const QPixmap picture(fileName);
    if (picture.isNull()) {
        tell(u"无法打开图片 "_s + fileName);
        return;
    }
    m_background->setPixmap(picture);
    m_background->setGeometry(QRect(QPoint(0, 0), picture.size()));
    m_background->show();
    m_background->lower();
}

void TTuoDanFrm::print()
{
    setPrintLabels(m_printCaptions);
    PrintableSheet::print();
}

void TTuoDanFrm::showEvent(QShowEvent *event)
{
    PrintableSheet::showEvent(event);
    if (std::exchange(m_shown, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_from->setText(u"From: "_s + CommFunU::InfoText(4));
            // A long company name is set smaller, so that it ends before 打印日期.
            QFont font = m_from->font();
            while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(m_from->text()) > FromWidth)
                font.setPixelSize(font.pixelSize() - 1);
            m_from->setFont(font);
            m_from->resize(FromWidth, m_from->height());
        },
        Qt::QueuedConnection);
}

void TTuoDanFrm::done(int result)
{
    // Every close writes the templates back: the only moment they reach the file.
    report(m_templates.save(templatePath()));
    PrintableSheet::done(result);
}
