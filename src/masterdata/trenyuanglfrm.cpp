#include "trenyuanglfrm.h"

#include "boundform.h"
#include "currentuser.h"
#include "marks.h"
#include "passwords.h"
#include "queryhelpers.h"
#include "stringgrid.h"
#include "tagbinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

enum Tag { NameTag = 10, UserTag = 20, PasswordTag = 30, DepartmentTag = 80, PositionTag = 90, PhoneTag = 100 };
constexpr int FirstRightTag = 210; // right n has Tag 200 + 10 n
constexpr int GridUserColumn = 1;
constexpr int GridPasswordColumn = 2;
const QString GeneralManager = u"总经理"_s;
const QString HiddenPassword = u"********"_s;
const QString GeneralManagerRowRefusal = u"只有总经理才能修改总经理的资料!"_s;
constexpr int GridPositionColumn = 8;

const QStringList RightCaptions = {u"基本操作"_s, u"出口业务"_s, u"进口业务"_s, u"单位管理"_s,
                                   u"职员管理"_s, u"运价维护"_s, u"财务核算"_s, u"费用明细"_s};

int rightTag(int n)
{
    return FirstRightTag + (n - 1) * 10;
}

bool isGeneralManager()
{
    return CurrentUser().Position == GeneralManager;
}

MasterDataWindow::Settings staffSettings()
{
    MasterDataWindow::Settings s;
    s.caption = u"职员管理"_s;
    s.table = u"职员"_s;
    s.keyColumn = u"用户名"_s;
    s.keyTag = UserTag;
    s.keyGridColumn = GridUserColumn;
    s.loadLow = 10;
    s.loadHigh = 280;
    s.saveLow = 10;
    s.saveHigh = 280;
    s.listSql = u"select * from 职员 order by 职位 "_s;
    return s;
}

} // namespace

FormTable TRenYuanGLFrm::fields()
{
    FormTable table = {
        Field::group(u"职员"_s).withColumns(4),
        Field::edit(NameTag, u"职员姓名:"_s),
        Field::edit(UserTag, u"用户名:"_s),
        Field::edit(PasswordTag, u"密  码:"_s).asMasked(),
        Field::edit(40, u"英文名:"_s),
        Field::date(50, u"生  日:"_s),
        Field::date(60, u"录用日期:"_s),
        Field::date(70, u"离职日期:"_s),
        Field::combo(DepartmentTag, u"所属部门:"_s),
        Field::combo(PositionTag, u"职 位:"_s,
                     {u"操作员"_s, u"业务员"_s, u"财务员"_s, u"财务经理"_s, u"部门经理"_s, GeneralManager}),
        Field::edit(PhoneTag, u"电话号码:"_s),
        Field::edit(110, u"传  真:"_s),
        Field::combo(120, u"档案所在地:"_s, {u"职业介绍所"_s, u"人事局"_s, u"本单位"_s, u"户口所在地"_s, u"档案未转入"_s}),
        Field::edit(130, u"劳动手册:"_s),
        Field::combo(140, u"手册状态:"_s, {u"在本公司"_s, u"已退本人"_s}),
        Field::edit(160, u"Email:"_s),
        Field::edit(170, u"家庭电话:"_s),
        Field::edit(180, u"手机号:"_s),
        Field::edit(200, u"邮  编:"_s),
        Field::edit(190, u"家庭地址:"_s).asWide(),
        Field::group(u"权限:"_s).withColumns(8),
        Field::check(rightTag(1), RightCaptions.at(0)).asDisabled(),
    };
    for (int n = 2; n <= 8; ++n)
        table << Field::check(rightTag(n), RightCaptions.at(n - 1));
    return table;
}

QString TRenYuanGLFrm::presetOf(const QString &position)
{
    static const QHash<QString, QString> presets = {
        {u"操作员"_s, u"11000000"_s},   {u"业务员"_s, u"11000000"_s}, {u"财务员"_s, u"10000000"_s},
        {u"部门经理"_s, u"11111101"_s}, {u"财务经理"_s, u"11000000"_s}, {GeneralManager, u"11111111"_s},
    };
    return presets.value(position);
}

TRenYuanGLFrm::TRenYuanGLFrm(QWidget *parent)
    : MasterDataWindow(staffSettings(), fields(), parent)
{
    setWindowState(windowState() | Qt::WindowMaximized);
    fillOnFirstDropDown(DepartmentTag, [] {
        return listValues(u"SELECT 部门名称 FROM 部门"_s, 0, EmptyValue::Skipped);
    });
    // Only what the user changes counts: loading and clearing are quiet.
    connect(form(), &BoundForm::modified, this, [this](QWidget *field) {
        if (field == form()->field(PositionTag) || field == form()->field(DepartmentTag))
            positionOrDepartmentChanged();
    });
    lockRights();
}

bool TRenYuanGLFrm::editingOwnRow() const
{
    return !m_original.user.isEmpty()
           && m_original.user.compare(CurrentUser().UserName, Qt::CaseInsensitive) == 0;
}

bool TRenYuanGLFrm::mayChangeRight(int n) const
{
    if (isGeneralManager())
        return true;
    if (editingOwnRow())
        return false;
    return n == 1 || CurrentUser().hasRight(n);
}

void TRenYuanGLFrm::lockRights()
{
    for (int n = 2; n <= 8; ++n)
        form()->check(rightTag(n))->setEnabled(mayChangeRight(n));
    form()->field(PositionTag)->setEnabled(isGeneralManager() || !editingOwnRow());
}

void TRenYuanGLFrm::positionOrDepartmentChanged()
{
    const QString preset = presetOf(form()->combo(PositionTag)->currentText());
    if (!preset.isEmpty()) {
        for (int n = 1; n <= 8; ++n) {
            if (mayChangeRight(n))
                form()->check(rightTag(n))->setChecked(preset.at(n - 1) == u'1');
        }
    }
    form()->edit(PhoneTag)->setText(
        LookupValue(form()->combo(DepartmentTag)->currentText(), u"部门"_s, u"部门名称"_s, u"直线电话"_s));
}

QString TRenYuanGLFrm::refusal() const
{
    if (isGeneralManager())
        return QString();
    const QString position = form()->combo(PositionTag)->currentText().trimmed();
    if (editingOwnRow()) {
        bool same = position == m_original.position.trimmed();
        for (int n = 1; n <= 8; ++n)
            same = same && form()->check(rightTag(n))->isChecked() == m_original.rights[size_t(n - 1)];
        if (!same)
            return u"不能修改自己的权限和职位!"_s;
    }
    if (m_original.position.trimmed() == GeneralManager)
        return GeneralManagerRowRefusal;
    if (position == GeneralManager)
        return u"只有总经理才能任命总经理!"_s;
    for (int n = 2; n <= 8; ++n) {
        if (form()->check(rightTag(n))->isChecked() && !m_original.rights[size_t(n - 1)]
            && !CurrentUser().hasRight(n))
            return u"不能授予您自己没有的权限: "_s + RightCaptions.at(n - 1);
    }
    return QString();
}

bool TRenYuanGLFrm::validate()
{
    if (form()->edit(NameTag)->text().trimmed().isEmpty() || keyText().trimmed().isEmpty()) {
        ShowMessage(u"职员姓名和用户名不能为空!"_s);
        return false;
    }
    const QString refused = refusal();
    if (!refused.isEmpty()) {
        ShowMessage(refused);
        return false;
    }
    return true;
}

QString TRenYuanGLFrm::recordToStore(const QString &record)
{
    // A loaded row shows the mask; left as it is, the save sends the mask,
    // which the server replaces with the password the row had (it never
    // reads one back). A server that did send the stored text (--no-login)
    // gets it back as it was. Anything else is a password typed and is
    // stored as its digest.
    const QString password = form()->edit(PasswordTag)->text();
    const bool unchanged = !m_original.user.isEmpty() && password == HiddenPassword;
    const QString kept = m_keptPasswords.value(m_original.user);
    if (unchanged)
        m_storedPassword = kept.isEmpty() ? HiddenPassword : kept;
    else
        m_storedPassword = PasswordToStore(password);
    const auto controls = BoundControls(this, settings().saveLow, settings().saveHigh);
    QStringList values = record.split(FieldSep);
    const qsizetype at = controls.indexOf(form()->field(PasswordTag));
    if (at >= 0 && at < values.size())
        values[at] = m_storedPassword;
    return values.join(FieldSep);
}

QString TRenYuanGLFrm::shownStatement(const QString &statement) const
{
    if (m_storedPassword.isEmpty())
        return statement;
    QString shown = statement;
    return shown.replace(u'\'' + QuoteValue(m_storedPassword) + u'\'', u'\'' + HiddenPassword + u'\'');
}

QString TRenYuanGLFrm::rowDeleteStatement(const QString &key) const
{
    StringGrid *list = grid();
    for (int r = 1; r < list->rowCount() && !isGeneralManager(); ++r) {
        if (list->cell(r, GridUserColumn).compare(key, Qt::CaseInsensitive) == 0
            && list->cell(r, GridPositionColumn).trimmed() == GeneralManager) {
            ShowMessage(GeneralManagerRowRefusal);
            return QString();
        }
    }
    return MasterDataWindow::rowDeleteStatement(key);
}

void TRenYuanGLFrm::afterClear()
{
    m_original = Original();
    lockRights();
}

void TRenYuanGLFrm::afterFill()
{
    StringGrid *list = grid();
    m_keptPasswords.clear();
    for (int r = 1; r < list->rowCount(); ++r) {
        const QStringList cells = list->rowCells(r);
        if (cells.join(QString()).trimmed().isEmpty())
            continue;
        m_keptPasswords.insert(list->cell(r, GridUserColumn), list->cell(r, GridPasswordColumn));
        list->setCell(r, GridPasswordColumn, HiddenPassword);
    }
}

void TRenYuanGLFrm::afterRowLoaded(int row)
{
    const QString user = grid()->cell(row, GridUserColumn);
    {
        BoundForm::Quiet quiet(*form());
        form()->edit(PasswordTag)->setText(HiddenPassword);
    }
    m_original.user = user;
    m_original.position = form()->combo(PositionTag)->currentText();
    for (int n = 1; n <= 8; ++n)
        m_original.rights[size_t(n - 1)] = form()->check(rightTag(n))->isChecked();
    lockRights();
}
