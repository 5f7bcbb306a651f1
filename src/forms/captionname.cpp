#include "captionname.h"

#include <QRegularExpression>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace CommFunU {

namespace {

bool isWide(QChar c)
{
    return c.unicode() >= 0x2E80; // CJK and full-width forms
}

} // namespace

QString CaptionName(const QString &label)
{
    static const QRegularExpression accelerator(u"[(（]&.[)）]"_s);
    QString text = label;
    text.remove(accelerator);
    // A single '&' marks the accelerator; "&&" is a literal ampersand.
    text.replace(u"&&"_s, QString(QChar(0xE000)));
    text.remove(u'&');
    text.replace(QChar(0xE000), u'&');
    text = text.trimmed();
    while (text.endsWith(u':') || text.endsWith(u'：'))
        text.chop(1);
    text = text.trimmed();

    // Blanks that pad Chinese captions to a common width go; blanks between
    // words stay, one each.
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!c.isSpace() && c != QChar(0x3000)) {
            out += c;
            continue;
        }
        qsizetype next = i;
        while (next < text.size() && (text.at(next).isSpace() || text.at(next) == QChar(0x3000)))
            ++next;
        const bool betweenWide = !out.isEmpty() && isWide(out.back()) && next < text.size() && isWide(text.at(next));
        if (!betweenWide && !out.isEmpty() && next < text.size())
            out += u' ';
        i = next - 1;
    }
    return out;
}

void NameByCaption(QWidget *field, const QString &label)
{
    field->setAccessibleName(CaptionName(label));
}

} // namespace CommFunU
