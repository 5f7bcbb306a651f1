#pragma once

#include "masterdatawindow.h"

#include <QHash>
#include <array>

// 职员管理: the people who log in, their position and department (which
// decide what they see) and their eight rights (which decide the menus they
// may use). Rows are keyed, saved and deleted by 用户名.
//
// The list and the form never show a password: the grid and the password
// field show "********" whatever the password's length. A password typed
// here is stored as a digest (passwords.h); a row saved with the mask left
// in its field keeps the password it had (the server puts it back).
//
// Choosing a position presets the rights; choosing a department presets them
// again and fills in the department's direct line. A user who is not 总经理
// may grant only rights he holds himself, cannot make anyone 总经理 and cannot
// change his own rights or position; rights a row already has stay.
class TRenYuanGLFrm : public MasterDataWindow
{
    Q_OBJECT
public:
    explicit TRenYuanGLFrm(QWidget *parent = nullptr);

    static FormTable fields();
    // The rights a position presets, right 1 first; empty for another text.
    static QString presetOf(const QString &position);

protected:
    bool validate() override;
    QString recordToStore(const QString &record) override;
    QString shownStatement(const QString &statement) const override;
    QString rowDeleteStatement(const QString &key) const override;
    void afterClear() override;
    void afterFill() override;
    void afterRowLoaded(int row) override;

private:
    // What the row held when it was loaded (nothing for a new row).
    struct Original {
        QString user;
        QString position;
        std::array<bool, 8> rights{};
    };

    void positionOrDepartmentChanged();
    // Whether the current user may change right n (1 to 8) of this row.
    bool mayChangeRight(int n) const;
    bool editingOwnRow() const;
    void lockRights();
    QString refusal() const;

    QHash<QString, QString> m_keptPasswords; // by 用户名
    Original m_original;
    QString m_storedPassword; // as the last insert stored it
};
