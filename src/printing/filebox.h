#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;

// The box of an output file with its 浏览... button: the PDF file of the
// print dialogs, the Excel workbook of the report window.
//
//     auto *box = new FileBox(u"Excel文件"_s, u"xlsx"_s, this);
//     box->setDefaultName(u"报表"_s);   // 报表.xlsx in the working folder
//     box->nameAfter(report.title);     // while the user has chosen no other file
//     save(box->fileName());
//
// 浏览... opens a save dialog; a name chosen without the suffix gets it.
class FileBox : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(FileBox)
public:
    // kind: the dialog's title and the name of the filter; suffix without dot.
    FileBox(const QString &kind, const QString &suffix, QWidget *parent = nullptr);
    ~FileBox() override;

    // The text of the box, trimmed.
    QString fileName() const;
    void setFileName(const QString &fileName);

    // Shows baseName + suffix in the default folder (the working folder
    // unless set) as the file not chosen yet.
    void setDefaultName(const QString &baseName);
    // The folder of the files not chosen yet (an empty or missing folder:
    // the working folder). The default file moves there.
    void setDefaultFolder(const QString &folder);
    // A file not chosen yet is named after the document: characters that no
    // file name may hold become '_'. A blank title changes nothing.
    void nameAfter(const QString &title);

    QLineEdit *lineEdit() const { return m_edit; }
    QPushButton *browseButton() const { return m_browse; }

signals:
    // A file was chosen with 浏览....
    void chosen();

private:
    void browse();

    QString m_kind;
    QString m_suffix;
    QString m_defaultFile;
    QString m_defaultBase;
    QString m_folder;
    QLineEdit *m_edit;
    QPushButton *m_browse;
};
