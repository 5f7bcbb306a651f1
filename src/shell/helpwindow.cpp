#include "helpwindow.h"
#include "clientfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QPointer<HelpWindow> &openWindow()
{
    static QPointer<HelpWindow> window;
    return window;
}

} // namespace

QString HelpWindow::Folder()
{
    return ClientFiles::current().helpFolder();
}

HelpWindow *HelpWindow::OpenTopics(QWidget *parent, const QString &folder)
{
    const QString index = QDir(folder).filePath(u"index.html"_s);
    if (!QFileInfo(index).isFile())
        return nullptr;
    HelpWindow *window = openWindow();
    if (!window) {
        window = new HelpWindow(parent);
        openWindow() = window;
    }
    window->showContents(index);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

HelpWindow::HelpWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_browser(new QTextBrowser(this))
{
    setWindowTitle(u"帮助"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    m_browser->setOpenExternalLinks(true);

    auto *contents = new QPushButton(u"目录"_s, this);
    auto *back = new QPushButton(u"后退"_s, this);
    auto *forward = new QPushButton(u"前进"_s, this);
    auto *close = new QPushButton(u"关闭"_s, this);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(contents, &QPushButton::clicked, m_browser, &QTextBrowser::home);
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);

    auto *bar = new QHBoxLayout;
    bar->addWidget(contents);
    bar->addWidget(back);
    bar->addWidget(forward);
    bar->addStretch(1);
    bar->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_browser, 1);
    resize(820, 640);
}

void HelpWindow::showContents(const QString &index)
{
    const QUrl url = QUrl::fromLocalFile(QFileInfo(index).absoluteFilePath());
    m_browser->setSearchPaths({QFileInfo(index).absolutePath()});
    m_browser->clearHistory();
    m_browser->setSource(url);
}
