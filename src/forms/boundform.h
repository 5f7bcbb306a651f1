#pragma once

// Forms as data: a window declares its bound controls in one table and
// builds itself from it.
//
//   static FormTable fields()
//   {
//       return {
//           Field::page(u"基本信息"_s),
//           Field::group(u"委托"_s),
//           Field::edit(10, u"业务编号"_s),
//           Field::edit(30, u"密  码:"_s).asMasked(),          // shows '*'
//           Field::combo(20, u"业务员"_s).asDisabled(),
//           Field::combo(250, u"业务类型"_s, {u"整箱"_s, u"货代自拼箱"_s}).asFixedList(),
//           Field::number(340, u"总毛重(KGS)"_s),          // Hint "1", "0.000"
//           Field::combo(120, u"装货港"_s).withText(u"SHANGHAI"_s).withHint(u"0"_s),
//           Field::memo(260, u"发货人"_s),
//           Field::date(240, u"船期"_s),
//           Field::check(180, u"货物已报关"_s),
//           Field::radioGroup(500, u"做箱情况"_s, {u"未做箱"_s, u"已做箱"_s}),
//           Field::page(u"货物信息"_s),
//           Field::grid(900, u"货物"_s, {u"箱类型"_s, u"件数"_s}),
//       };
//   }
//
//   m_form = new BoundForm(this);
//   m_form->build(fields(), ui_area);     // pages → tabs, groups → boxes,
//                                         // label + field pairs in a grid
//   connect(m_form, &BoundForm::modified, this, [this] { refreshDerived(); });
//   m_form->combo(40)->addItems(units);   // reach a field by its Tag
//   // combo boxes are DropDownCombo: aboutToDropDown() comes before the
//   // list shows, so a list can be filled from the server on first use
//   m_form->loadRecord(u"货运出口基本信息"_s, number);  // select *, LoadByTag
//   auto answer = m_form->saveRecord(u"货运出口基本信息"_s, number); // delete + insert
//
// Printed sheets give each row a geometry (.at(x, y, w, h)) and captions
// and reference marks of their own, and call buildSheet(fields, sheet): the
// controls become direct children of the sheet at those positions, which is
// what the print engine draws.
//
// Every input field gets the focus highlight; every change of a bound
// control, by the user or by the program, emits modified(field) unless a
// BoundForm::Quiet is alive (load() and clear() are quiet and reset the
// flag). Tags, kinds and values follow tagbinding.h; tests compare
// boundControls() with the server's columns (CheckBoundRange).

#include "formfield.h"
#include "loadedsnapshot.h"
#include "tagbinding.h"

#include <QHash>
#include <QObject>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;
class QWidget;
class RadioGroup;
class StringGrid;

class BoundForm : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(BoundForm)
public:
    // window: the widget whose descendants the Tag ranges are taken from.
    explicit BoundForm(QWidget *window);
    ~BoundForm() override;

    // Builds the table into host (the window when nullptr) with layouts:
    // one tab per Page, one group box per Group, label + field pairs.
    void build(const FormTable &table, QWidget *host = nullptr);
    // Builds the table into sheet at the rows' geometry.
    void buildSheet(const FormTable &table, QWidget *sheet);

    QWidget *window() const { return m_window; }
    const FormTable &table() const { return m_table; }
    // The field of a Tag (nullptr when the table has none).
    QWidget *field(int tag) const { return m_fields.value(tag); }
    template <class T> T *fieldAs(int tag) const { return qobject_cast<T *>(field(tag)); }
    QLineEdit *edit(int tag) const;
    QComboBox *combo(int tag) const;
    QPlainTextEdit *memo(int tag) const;
    QDateTimeEdit *picker(int tag) const;
    QCheckBox *check(int tag) const;
    RadioGroup *radioGroup(int tag) const;
    StringGrid *grid(int tag) const;
    QLabel *label(int tag) const { return m_labels.value(tag); }
    QTabWidget *pages() const { return m_pages; }
    QWidget *mark(const QString &name) const { return m_marks.value(name); }

    // The lowest and highest Tag of the table.
    int lowTag() const { return m_low; }
    int highTag() const { return m_high; }

    // Record text, loading, clearing over the table's range or a part of it.
    QString save() const { return save(m_low, m_high); }
    QString save(int lowTag, int highTag) const;
    void load(const QString &recordText) { load(recordText, m_low, m_high); }
    void load(const QString &recordText, int lowTag, int highTag);
    void clear() { clear(m_low, m_high); }
    void clear(int lowTag, int highTag);
    // The row read is kept (loaded()), and saveRecord refuses with
    // StaleRecordError when another session changed it since.
    CommFunU::RecordLoad loadRecord(const QString &table, const QString &number);
    std::optional<QString> saveRecord(const QString &table, const QString &number,
                                      const QString &noun = QStringLiteral("记录"),
                                      QString *failedStatement = nullptr);
    LoadedSnapshot &loaded() { return m_loaded; }

    bool isModified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

    // Wires a control built by hand (focus highlight and modified).
    void watch(QWidget *control);

    // While alive, changes do not count as modifications.
    class Quiet
    {
        Q_DISABLE_COPY(Quiet)
    public:
        explicit Quiet(BoundForm &form) : m_form(form) { ++m_form.m_quiet; }
        ~Quiet() { --m_form.m_quiet; }

    private:
        BoundForm &m_form;
    };

signals:
    void modified(QWidget *field);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *createField(const FormField &entry, QWidget *parent);
    void noteChange(QWidget *field);
    void addToTable(const FormTable &table);

    QWidget *m_window;
    FormTable m_table;
    QHash<int, QWidget *> m_fields;
    QHash<int, QLabel *> m_labels;
    QHash<QString, QWidget *> m_marks;
    QTabWidget *m_pages = nullptr;
    int m_low = 0;
    int m_high = -1;
    int m_quiet = 0;
    bool m_modified = false;
    LoadedSnapshot m_loaded;
};
