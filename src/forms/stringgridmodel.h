#pragma once

#include "listcolumns.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

// The data of a string grid: a rectangle of texts, rows × columns, every row
// holding exactly columnCount() cells. Row 0 is an ordinary row; a grid with
// a heading row shows it as the column captions (see StringGrid).
//
// Cells are addressed (row, column). Reading outside the rectangle gives an
// empty text; writing outside it is ignored. Bulk changes (setRows) cost one
// model reset whatever the row count.
class StringGridModel : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY(StringGridModel)
public:
    explicit StringGridModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString &text);
    QStringList rowCells(int row) const;
    // Sets the cells of one row from column 0; missing cells become empty,
    // surplus ones are dropped.
    void setRowCells(int row, const QStringList &cells);
    const QList<QStringList> &allRows() const { return m_rows; }

    // Growing adds empty rows (columns) at the end; shrinking drops the last ones.
    void setRowCount(int rows);
    void setColumnCount(int columns);
    // Replaces the whole grid in one reset; every row is padded or cut to
    // columns cells.
    void setRows(QList<QStringList> rows, int columns);
    // Removes one row; the rows below move up.
    void removeGridRow(int row);

    // Cells the user may edit (through a view); the default is read-only.
    void setEditable(bool editable);
    bool isEditable() const { return m_editable; }
    // With a heading row, row 0 provides the horizontal header texts and is
    // not editable.
    void setHeadingRow(bool heading);
    bool hasHeadingRow() const { return m_headingRow; }
    // What the columns hold: amount cells are shown right-aligned (the
    // cells' texts are the list's; see ListColumns::showAmounts).
    void setListColumns(const ListColumns &columns);
    const ListColumns &listColumns() const { return m_listColumns; }

signals:
    // Any change of the cells or the size, by program or by the user.
    void contentsChanged();
    // A cell changed through setData(), that is by the user in a view.
    void cellEdited(int row, int column);

private:
    QList<QStringList> m_rows;
    int m_columns = 0;
    bool m_editable = false;
    bool m_headingRow = false;
    ListColumns m_listColumns;
};
