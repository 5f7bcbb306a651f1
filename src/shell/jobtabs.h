#pragma once

#include "tywdata.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QGridLayout;
class QTabBar;

// The tab control of the main window: a tab bar, the area below it in which
// the query window and the job windows are hosted, and the page list of
// TYWData records (entry i belongs to tab i). A tab and its record are added
// and removed together, so the two lists never drift apart.
//
// Changing the tab from code is silent. When the user picks another tab, the
// leave handler runs first with the old tab still current and may refuse the
// change; then the enter handler runs for the new tab.
class JobTabs : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(JobTabs)
public:
    enum Icon { QueryIcon = 0, ExportIcon = 1, ImportIcon = 2, FinanceIcon = 3 };

    explicit JobTabs(QWidget *parent = nullptr);
    ~JobTabs() override;

    int count() const;
    int currentIndex() const;
    void setCurrentIndex(int index);
    QString tabText(int index) const;
    void setTabText(int index, const QString &text);

    // Appends a tab with its record; answers the new tab's index.
    int appendPage(const QString &caption, int icon, std::unique_ptr<TYWData> page);
    // Frees the record and removes the tab. When it was the current tab,
    // the last remaining tab becomes current (silently).
    void removePage(int index);
    // Frees every record and removes every tab.
    void clear();
    TYWData *page(int index) const;
    TYWData *currentPage() const { return page(currentIndex()); }

    // Parents a window to the page area, filling it.
    void host(QWidget *window);
    // Shows window and hides every other hosted window.
    void showOnly(QWidget *window);
    QWidget *pageArea() const { return m_area; }
    QTabBar *tabBar() const { return m_bar; }

    static QIcon icon(int index);

    void setLeaveHandler(std::function<bool(int current)> handler) { m_leave = std::move(handler); }
    void setEnterHandler(std::function<void(int index)> handler) { m_enter = std::move(handler); }

private:
    void userChanged(int index);
    void selectSilently(int index);

    QTabBar *m_bar = nullptr;
    QWidget *m_area = nullptr;
    QGridLayout *m_areaLayout = nullptr;
    std::vector<std::unique_ptr<TYWData>> m_pages;
    std::function<bool(int)> m_leave;
    std::function<void(int)> m_enter;
    int m_last = -1;
    bool m_silent = false;
};
