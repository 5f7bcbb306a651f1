#pragma once

#include <QDialog>

class QLabel;

// 关于: the product line, the version and the operating company's telephone
// line, which the server supplies (GetInfo 6) once the box is on screen.
class TAboutFrm : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(TAboutFrm)
public:
    explicit TAboutFrm(QWidget *parent = nullptr);

    QLabel *TelephoneLine() const { return m_telephone; }
    // Asks the server for the telephone line; "Tel:" stays when it has none.
    void LoadTelephone();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLabel *m_telephone;
    bool m_loaded = false;
};
