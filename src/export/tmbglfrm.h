#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class TuoDanTemplates;

// 模板管理: the templates of the B/L confirmation, numbered from 0 (the
// default one). In choosing mode 确认 or a double-click on a row chooses the
// selected template; in naming mode the name typed for a new template is
// checked against the list (TuoDanTemplates::nameError) before the dialog
// closes. 确认 without a template chosen leaves the dialog open.
class TMBGLFrm : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(TMBGLFrm)
public:
    enum class Mode { Choose, Name };

    TMBGLFrm(const TuoDanTemplates &templates, Mode mode, QWidget *parent = nullptr);
    ~TMBGLFrm() override;

    // The chosen row (−1 when none).
    int chosen() const;
    // The typed name, as typed.
    QString name() const;
    // 带底纹: the print-captions flag of a new template (kept hidden).
    bool printCaptions() const;
    void setPrintCaptions(bool on);

    QTreeWidget *list() const { return m_list; }
    QLineEdit *nameBox() const { return m_name; }
    QPushButton *confirmButton() const { return m_confirm; }
    QPushButton *cancelButton() const { return m_cancel; }

private:
    void confirm();

    const TuoDanTemplates &m_templates;
    Mode m_mode;
    QTreeWidget *m_list;
    QLabel *m_nameCaption;
    QLineEdit *m_name;
    QCheckBox *m_shading;
    QPushButton *m_confirm;
    QPushButton *m_cancel;
    QPushButton *m_delete;
};
