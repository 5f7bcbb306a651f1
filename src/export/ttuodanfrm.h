#pragma once

#include "cargojobvalues.h"
#include "printablesheet.h"
#include "tuodantemplates.h"

#include <QPoint>
#include <QPointer>

class QLabel;
class QMenu;

// 提单确认: the bill-of-lading data of an export job laid out like a B/L,
// with the company's contact lines and the notice asking the client to
// confirm the quantities within 24 hours; every value can be edited before
// it is printed or faxed. The sheet is also a small designer: its 36 data
// fields are moved with the mouse or Ctrl(+Shift)+arrows, resized with
// Shift+arrows, hidden, given a font, and the layout is kept as a named
// template in TuoDanRes.txt (tuodantemplates.h), so that the data can be
// printed onto the pre-printed B/L forms of shipping lines. Template 0 is
// the design layout and the only one that shows and prints the captions. A
// scanned form can be shown behind the fields (never printed or stored).
// The templates are written back when the window closes.
class TTuoDanFrm : public PrintableSheet
{
    Q_OBJECT
    Q_DISABLE_COPY(TTuoDanFrm)
public:
    static constexpr int FieldCount = 36;
    // The Tag of data field i (1…36) is i × 10.
    static constexpr int tagOf(int field) { return field * 10; }
    enum DataField {
        Shipper = 1, Consignee, NotifyParty, VesselVoyage, LoadingPort, DischargePort, Destination, Number,
        ClientNumber, Services, FreightTerms, TotalInWords, BillNumber, Containers, ContainerSeals, Marks, Packages,
        Goods, GrossWeight, Measurement, Agent, IssuedAt, OriginalBills, Transhipment, Partial, PrintDate,
        SailingDate, CutOffDate, Terminal, Client, TelexRelease, FreeText, Contact, Telephone, SailingCaption,
        CutOffCaption
    };

    explicit TTuoDanFrm(const CargoJobValues &job, QWidget *parent = nullptr);
    ~TTuoDanFrm() override;

    // TuoDanRes.txt where ClientFiles keeps it unless another path was set for
    // the process (the tests use one of their own).
    static QString templatePath();
    static void setTemplatePath(const QString &path);

    // Data field i (1…36).
    QWidget *field(int i) const;
    const TuoDanTemplates &templates() const { return m_templates; }
    int currentTemplate() const { return m_current; }
    bool printCaptions() const { return m_printCaptions; }
    // The static captions and the rule shown with template 0.
    QList<QWidget *> captions() const { return m_captions; }
    QLabel *fromCaption() const { return m_from; }
    QLabel *background() const { return m_background; }
    QMenu *designMenu() const { return m_menu; }

    // The layout of the fields now, as a template stores it.
    QString currentLayout() const;
    // Template n onto the sheet (nothing when n is not a template).
    void applyTemplate(int n);

    // The designer's commands, as the buttons and the 制作模板 menu run them.
    void editProperties();   // 修改属性
    void removeField();      // 删除数据
    void chooseTemplate();   // 选择格式, 打开模版
    void saveTemplate();     // 保存模版
    void saveTemplateAs();   // 另存模版
    void chooseBackground(); // 提单背景
    void setBackground(const QString &fileName);

    // Moves (or, with resize, sizes) field by (dx, dy), within the limits a
    // template can store.
    static void shift(QWidget *field, int dx, int dy, bool resize);

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void print() override;

private:
    void buildPage();
    void fill(const CargoJobValues &job);
    void captureInto(int n);
    QWidget *fieldOf(QObject *watched) const;
    // The focused data field, or nullptr after "请选择一个控件" (or when
    // another control has the focus, which does nothing).
    QWidget *focusedField();
    void report(const TuoDanTemplates::Outcome &outcome) const;

    QList<QWidget *> m_fields;
    QList<QWidget *> m_captions;
    QLabel *m_from = nullptr;
    QLabel *m_background = nullptr;
    QMenu *m_menu = nullptr;
    TuoDanTemplates m_templates;
    int m_current = 0;
    bool m_printCaptions = true;
    bool m_shown = false;
    // The drag: the field, where the mouse was pressed (screen) and where the field was.
    QPointer<QWidget> m_dragged;
    QPoint m_pressGlobal;
    QPoint m_pressPos;
};
