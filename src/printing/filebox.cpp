#include "filebox.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

FileBox::FileBox(const QString &kind, const QString &suffix, QWidget *parent)
    : QWidget(parent)
    , m_kind(kind)
    , m_suffix(u'.' + suffix)
    , m_edit(new QLineEdit(this))
    , m_browse(new QPushButton(u"浏览..."_s, this))
{
    m_edit->setMinimumWidth(220);
    m_browse->setAutoDefault(false);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_browse);
    setFocusProxy(m_edit);
    connect(m_browse, &QPushButton::clicked, this, &FileBox::browse);
}

FileBox::~FileBox() = default;

QString FileBox::fileName() const
{
    return m_edit->text().trimmed();
}

void FileBox::setFileName(const QString &fileName)
{
    m_edit->setText(fileName);
}

void FileBox::setDefaultName(const QString &baseName)
{
    m_defaultBase = baseName;
    const QDir folder = !m_folder.isEmpty() && QDir(m_folder).exists() ? QDir(m_folder) : QDir::current();
    m_defaultFile = folder.absoluteFilePath(baseName + m_suffix);
    setFileName(m_defaultFile);
}

void FileBox::setDefaultFolder(const QString &folder)
{
    const bool unchosen = fileName() == m_defaultFile;
    m_folder = folder;
    if (unchosen && !m_defaultBase.isEmpty())
        setDefaultName(m_defaultBase);
}

void FileBox::nameAfter(const QString &title)
{
    if (fileName() != m_defaultFile || title.trimmed().isEmpty())
        return;
    QString name = title.trimmed();
    static const QString unsafe = u"/\\:*?\"<>|"_s;
    for (QChar &c : name) {
        if (unsafe.contains(c) || c < u' ')
            c = u'_';
    }
    setDefaultName(name);
}

void FileBox::browse()
{
    const QString name = QFileDialog::getSaveFileName(this, m_kind, fileName(),
                                                      m_kind + u" (*"_s + m_suffix + u')');
    if (name.isEmpty())
        return;
    setFileName(name.endsWith(m_suffix, Qt::CaseInsensitive) ? name : name + m_suffix);
    emit chosen();
}
