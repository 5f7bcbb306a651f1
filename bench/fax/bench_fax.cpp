// Codes a 1728 x 2287 fine-resolution page of document content and a page of
// noise with our Group 3 coder and with netpbm's pbmtog3 -reversebits, and
// prints the time per page of each and their ratio. pbmtog3 codes the page
// stacked 16 times in one run, less the time of a run on a 1 x 1 bitmap (its
// process start and exit), divided by 16; of several runs the fastest counts.

#include "faxpagecoder.h"

#include <QGuiApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int Width = 1728;
constexpr int Height = 2287;
constexpr int Stack = 16; // pages per pbmtog3 run

QImage documentPage()
{
    QImage page(Width, Height, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setPen(QPen(Qt::black, 2));
    QFont title(u"WenQuanYi Zen Hei"_s);
    title.setPixelSize(56);
    title.setStyleStrategy(QFont::NoAntialias);
    QFont body = title;
    body.setPixelSize(30);
    p.setFont(title);
    p.drawText(QRect(0, 60, Width, 80), Qt::AlignHCenter, u"出口货物托运单 SHIPPING ORDER"_s);
    p.drawRect(80, 180, Width - 160, Height - 300);
    p.setFont(body);
    QRandomGenerator random(1);
    int y = 200;
    for (int row = 0; y < Height - 200; ++row) {
        p.drawLine(80, y, Width - 80, y);
        if (row % 6 == 0) {
            p.drawText(100, y + 40, u"托运人 Shipper: KORVAN FREIGHT CO., LTD.  No. %1"_s.arg(20260000 + row));
        } else {
            QString words;
            for (int w = 0, n = 4 + int(random.bounded(6)); w < n; ++w)
                words += QString(int(random.bounded(3, 11)), QChar(u'A' + int(random.bounded(26)))) + u' ';
            p.drawText(100, y + 40, words + u"货物 件数 毛重 体积"_s);
            p.drawLine(Width / 2 + 200, y, Width / 2 + 200, y + 56);
            p.drawText(Width / 2 + 220, y + 40, u"%1.000 KGS  %2 CBM"_s.arg(random.bounded(99999)).arg(random.bounded(100)));
        }
        y += 56;
    }
    p.end();
    return page;
}

QImage noisePage()
{
    QImage page(Width, Height, QImage::Format_RGB32);
    QRandomGenerator random(2);
    for (int y = 0; y < Height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(page.scanLine(y));
        for (int x = 0; x < Width; ++x)
            line[x] = random.bounded(2) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
    }
    return page;
}

// Seconds per page of our coder: the best of several rounds of a few pages.
double ourCoder(const QImage &page, qsizetype *bytes)
{
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer timer;
        timer.start();
        const int pages = 4;
        for (int i = 0; i < pages; ++i) {
            QByteArray out;
            out.reserve(1 << 20);
            FaxPageCoder(page, page.rect(), 1, 1).code(0, [&out](const QByteArray &b) { out += b; });
            *bytes = out.size();
        }
        best = std::min(best, timer.nsecsElapsed() / 1e9 / pages);
    }
    return best;
}

double pbmtog3Run(const QString &pbm, qsizetype *bytes)
{
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        process.start(u"pbmtog3"_s, {u"-reversebits"_s, pbm});
        if (!process.waitForFinished(60000) || process.exitCode() != 0) {
            std::fprintf(stderr, "pbmtog3 failed: %s\n", process.readAllStandardError().constData());
            return -1;
        }
        const QByteArray out = process.readAllStandardOutput();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
        if (bytes)
            *bytes = out.size();
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen"); // fonts need a GUI application, not a screen
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString trivial = dir.filePath(u"trivial.pbm"_s);
    QImage one(1, 1, QImage::Format_Mono);
    one.fill(0);
    one.save(trivial, "PBM");
    const double start = pbmtog3Run(trivial, nullptr);
    if (start < 0)
        return 1;

    std::printf("%-10s %14s %14s %8s %12s %12s\n", "page", "ours ms/page", "pbmtog3 ms", "ratio", "our bytes", "its bytes");
    const QList<std::pair<const char *, QImage>> pages = {{"document", documentPage()}, {"noise", noisePage()}};
    for (const auto &[name, page] : pages) {
        const QString pbm = dir.filePath(QString::fromLatin1(name) + u".pbm"_s);
        QImage stacked(Width, Height * Stack, QImage::Format_RGB32);
        {
            QPainter p(&stacked);
            for (int i = 0; i < Stack; ++i)
                p.drawImage(0, i * Height, page);
        }
        stacked.convertToFormat(QImage::Format_Mono).save(pbm, "PBM");
        qsizetype ourBytes = 0;
        qsizetype theirBytes = 0;
        const double ours = ourCoder(page, &ourBytes);
        const double theirs = std::max(1e-6, (pbmtog3Run(pbm, &theirBytes) - start) / Stack);
        theirBytes /= Stack;
        std::printf("%-10s %14.2f %14.2f %8.2f %12lld %12lld\n", name, ours * 1e3, theirs * 1e3, ours / theirs,
                    static_cast<long long>(ourBytes), static_cast<long long>(theirBytes));
    }
    std::printf("(pbmtog3: %d pages a run, less its %.2f ms start-up; ratio = ours / pbmtog3;\n"
                " our bytes include DLE doubling and the EOL fill)\n", Stack, start * 1e3);
    return 0;
}
