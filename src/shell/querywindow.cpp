#include "querywindow.h"

#include "jobtabs.h"

using namespace Qt::StringLiterals;

QueryWindow::QueryWindow(JobTabs *tabs)
    : QWidget(tabs ? tabs->pageArea() : nullptr)
{
    if (tabs)
        tabs->host(this);
    setWindowTitle(Caption());
}

QueryWindow::~QueryWindow() = default;

QString QueryWindow::Caption() const
{
    return u"业务查询"_s;
}
