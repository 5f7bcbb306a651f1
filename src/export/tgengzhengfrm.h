#pragma once

#include "loadedsnapshot.h"

class ServerConnection;
class TransactionGuard;

#include "cargojobvalues.h"
#include "printablesheet.h"

class QLabel;

// The correction notes "更正单" of an export job: a note tells a carrier,
// agent or client what in the job's documents changes (原来内容 → 更新内容,
// and why). The window lists the job's notes below the note shown (the list
// is on the screen only), edits one note at a time and prints it under the
// company heading with the job's data.
//
// Table 货运出口更正单, several rows per job, a row keyed by 业务编号 and
// 更正单编号 (Tags 10 to 40 in Tag order). Saving a note that exists
// replaces it (delete and insert by both keys) in one transaction, so a
// refused insert keeps the stored note; a new note is inserted, and a number
// the job already has is refused.
class TGengZhengFrm : public PrintableSheet
{
    Q_OBJECT
    Q_DISABLE_COPY(TGengZhengFrm)
public:
    enum Tag {
        Number = 10, NoteNumber = 13, To = 15, PrintTime = 17, Original = 20, Updated = 30, Reason = 40,
        // handed over by the job, printed with the note, not stored
        JobNumber = 1000, GoodsName = 1010, VesselVoyage = 1020, BillNumber = 1030, Destination = 1040,
        Attn = 1050, SailingDate = 1060
    };
    static constexpr int LowTag = Number;
    static constexpr int HighTag = Reason;

    explicit TGengZhengFrm(const CargoJobValues &job, QWidget *parent = nullptr);
    ~TGengZhengFrm() override;

    static FormTable fields();

    QString number() const { return m_number; }
    StringGrid *notes() const { return m_notes; }
    QLabel *heading() const { return m_heading; }
    // The note shown is stored (saved, or loaded from the list).
    bool isExistingNote() const { return m_existing; }
    bool isLoaded() const { return m_loaded; }

    // 全部(&Q): the job's notes into the list, the heading and the print time.
    void LoadNotes();
    // A double click on the list: the selected note into the fields.
    void LoadSelectedNote();
    // 新增(&A), 保存(&S), 删除(&D).
    void NewNote();
    bool Save();
    void DeleteSelectedNote();

protected:
    void showEvent(QShowEvent *event) override;
    // 打印(&P): the print time, 保存, then the print/fax dialog (also when
    // the save failed).
    void print() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showPrintTime();
    QString noteStatement(const QString &noteNumber) const;
    bool writeNote(ServerConnection &server, TransactionGuard &transaction, const QString &remove,
                   const QString &insert);
    void setExisting(bool existing);

    QString m_number;
    StringGrid *m_notes;
    QLabel *m_heading = nullptr;
    bool m_existing = false;
    // The note on the form as it was listed or last saved.
    LoadedSnapshot m_note;
    bool m_loaded = false;
    bool m_shown = false;
};
