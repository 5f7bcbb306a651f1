#pragma once

#include <QStringList>
#include <QTableView>
#include <functional>

class ListColumns;
class QKeyEvent;
class StringGridModel;

// The string grid of the windows: a table view over a StringGridModel with
// the semantics the windows use, addressed (row, column):
//  - rowCount()/colCount(), cell()/setCell(), setRows() for bulk filling;
//  - row 0 is an ordinary row; with setHeadingRow(true) it is shown as the
//    column captions above the body (like a grid with one fixed row) and the
//    body starts at row 1;
//  - editable or read-only, cell or whole-row selection;
//  - currentRow()/currentCol(), selectionTopRow() (the top row of the
//    selection, else the current row, else the first body row);
//  - setKeyHandler(): the window's key handling, called for keys pressed in
//    the grid and in its cell editor; answering true consumes the key.
class StringGrid : public QTableView
{
    Q_OBJECT
    Q_DISABLE_COPY(StringGrid)
public:
    using KeyHandler = std::function<bool(QKeyEvent *event)>;

    explicit StringGrid(QWidget *parent = nullptr);
    ~StringGrid() override;

    StringGridModel *gridModel() const { return m_model; }

    int rowCount() const;
    void setRowCount(int rows);
    int colCount() const;
    void setColCount(int columns);
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString &text);
    QStringList rowCells(int row) const;
    void setRowCells(int row, const QStringList &cells);
    // Replaces every row in one step (fast for tens of thousands of rows).
    void setRows(QList<QStringList> rows, int columns);
    // Sets row 0 to the captions (growing the grid to hold them).
    void setHeadings(const QStringList &captions);

    void setHeadingRow(bool heading);
    bool hasHeadingRow() const;
    // What the columns hold (StringGridModel::setListColumns); the report
    // print window takes it with the grid's text.
    void setListColumns(const ListColumns &columns);
    const ListColumns &listColumns() const;
    void setEditable(bool editable);
    bool isEditable() const;
    void setRowSelect(bool wholeRows);
    // The first row of the body: 1 with a heading row, else 0.
    int firstBodyRow() const;

    int currentRow() const;
    int currentCol() const;
    void setCurrentCell(int row, int column);
    int selectionTopRow() const;
    // Every column as wide as its widest text (caption included) with some
    // room to spare; width left over is shared out, so that the columns fill
    // the grid, and the last one follows when the grid is resized.
    void fitColumns();

    // Ends the cell editor, keeping what was typed.
    void commitEditor();
    bool isEditing() const { return state() == QAbstractItemView::EditingState; }

    void setKeyHandler(KeyHandler handler) { m_keyHandler = std::move(handler); }

signals:
    // A cell changed by the user through the cell editor.
    void cellEdited(int row, int column);
    // Any change of the cells or the size.
    void contentsChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class StringGridDelegate;
    void applyHeadingRow();
    void watchEditor(QWidget *editor);

    StringGridModel *m_model;
    KeyHandler m_keyHandler;
    QWidget *m_editor = nullptr;
};
