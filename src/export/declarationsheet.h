#pragma once

#include "printablesheet.h"

class QKeyEvent;
class QLineEdit;

// What the customs and the inspection declaration share: a copy of an
// official form, printed onto the pre-printed form (only the values, at its
// boxes) or faxed; one row per job in its table, keyed by 业务编号 and
// written from the bound controls of a Tag range; a goods grid printed five
// rows per page.
//
//   TBaoGuanFrm::TBaoGuanFrm(const CargoJobValues &job, QWidget *parent)
//       : DeclarationSheet(settings(), job.number(), parent)
//   {
//       buildDeclaration(fields(), QSize(770, 1060));   // cleared, the number set
//       SheetParts::Fill(form(), {{Filing, job.column(u"手册号"_s)}, …});
//   }
//
// Once shown it loads the job's row (select *, LoadByTag); a stored value it
// cannot read (a date) is shown as an error, the sheet keeps what it showed
// and cannot save. 保存(&S) checks and formats the amounts, then replaces the
// row in one transaction: a refused insert keeps the old row. 打印(&P)
// prints with PrintLabels 0; the combo boxes and date pickers, which the
// engine leaves out then, hold values the paper form has boxes for, so the
// sheet prints them as fields showing their text (a date as
// 2026年3月8日) while the print/fax dialog is open. The dialog also offers
// plain paper: then the captions, boxes and rules of the screen form are
// printed with the values in them.
class DeclarationSheet : public PrintableSheet
{
    Q_OBJECT
    Q_DISABLE_COPY(DeclarationSheet)
public:
    struct Settings {
        QString table;
        int lowTag = 10;
        int highTag = 0;
        int goodsTag = 0;
        QList<int> goodsWidths; // pixels, one per column
        int goodsRowHeight = 24;
        QString addGoodsCaption;
        QString deleteGoodsCaption;
        QList<int> amountTags; // formatted "#,##0.000" when left and when saved
    };
    enum class LoadState { Pending, Loaded, NoRow, Failed };

    // A box of the paper form: its caption at the top and its field below,
    // or with captionWidth the caption at the left and the field beside it;
    // a memo fills the box's height. The field without geometry.
    struct Box {
        int width;
        QString caption;
        FormField field = Field::caption(QString()); // a caption: no field
        int captionWidth = 0;
    };
    // A row of boxes from x at y, height high, with the rules between them
    // and above them.
    static FormTable boxRow(int x, int y, int height, const QList<Box> &boxes);

    DeclarationSheet(const Settings &settings, const QString &number, QWidget *parent);
    ~DeclarationSheet() override;

    QString number() const { return m_number; }
    const Settings &settings() const { return m_settings; }
    LoadState loadState() const { return m_state; }
    StringGrid *goods() const;
    QPushButton *saveButton() const { return m_saveButton; }

    // 保存(&S); true once the commit was answered.
    bool Save();
    // The goods buttons: a row appended when the last row holds anything;
    // the row at the top of the selection removed (one row stays).
    void AddGoodsRow();
    void DeleteGoodsRow();

protected:
    // Builds the sheet, clears the Tag range, sets the business number.
    void buildDeclaration(const FormTable &table, const QSize &sheetSize);
    // After the row has been read (also when there was none).
    virtual void afterLoad() {}
    void showEvent(QShowEvent *event) override;
    void print() override;
    // Offers plain paper beside the pre-printed form.
    void prepareDialog(TPntSetupFrm &dialog) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void load();
    bool goodsKey(QKeyEvent *event);
    static void formatAmount(QLineEdit *edit);

    Settings m_settings;
    QString m_number;
    LoadState m_state = LoadState::Pending;
    QPushButton *m_saveButton;
    bool m_shown = false;
    QList<QLineEdit *> m_shownValues; // while the print/fax dialog is open
};
