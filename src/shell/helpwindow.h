#pragma once

#include <QWidget>

class QTextBrowser;

// 帮助: the program's help, HTML pages beside the executable or installed
// in share/korvan (help/index.html is the contents, every other page is linked from it),
// shown in a window of the program's own. One help window serves the
// process; opening the help again brings it up at the contents.
class HelpWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(HelpWindow)
public:
    // The folder of the pages: ClientFiles::helpFolder() (installed pages, or "help" beside the executable).
    static QString Folder();
    // Opens the help at its contents. Without a contents page in folder it
    // does nothing and answers nullptr.
    static HelpWindow *OpenTopics(QWidget *parent, const QString &folder = Folder());

    QTextBrowser *Browser() const { return m_browser; }

private:
    explicit HelpWindow(QWidget *parent);
    void showContents(const QString &index);

    QTextBrowser *m_browser;
};
