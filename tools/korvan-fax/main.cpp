// korvan-fax: sends an image file as one fax page through a Class 2 modem,
// with the driver configured as the print/fax dialog configures it.
//
//   korvan-fax --port COMn|DEVICE --number N [--pulse] IMAGE
//
// Exit status: 0 when the page was sent, 1 when faxing failed (the driver's
// message is printed), 2 for a usage error or an unreadable image.

#include "efaxerror.h"
#include "faxpresets.h"
#include "tfax.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QMetaEnum>
#include <QRegularExpression>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void print(FILE *stream, const QString &line)
{
    std::fprintf(stream, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stream);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"korvan-fax"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Sends an image (PNG, BMP or PBM) as one fax page through a Class 2 fax modem. "
                                     "Pixels of colour value 0 are black, all others white."_s);
    parser.addHelpOption();
    const QCommandLineOption portOption(u"port"_s, u"COM1 to COM4 (see FaxPorts.txt) or a device such as /dev/ttyUSB0."_s,
                                        u"COMn|DEVICE"_s);
    const QCommandLineOption numberOption(u"number"_s, u"The fax number to dial."_s, u"N"_s);
    const QCommandLineOption pulseOption(u"pulse"_s, u"Dial with pulses instead of tones."_s);
    parser.addOption(portOption);
    parser.addOption(numberOption);
    parser.addOption(pulseOption);
    parser.addPositionalArgument(u"IMAGE"_s, u"The page to send."_s);
    parser.process(app);

    const QStringList images = parser.positionalArguments();
    if (!parser.isSet(portOption) || !parser.isSet(numberOption) || images.size() != 1) {
        print(stderr, u"usage: korvan-fax --port COMn|DEVICE --number N [--pulse] IMAGE"_s);
        return 2;
    }
    const QString number = parser.value(numberOption).trimmed();
    if (number.isEmpty()) {
        print(stderr, u"korvan-fax: the fax number is empty"_s);
        return 2;
    }

    QImageReader reader(images.first());
    reader.setAutoTransform(false);
    const QImage page = reader.read();
    if (page.isNull()) {
        print(stderr, u"korvan-fax: cannot read %1: %2"_s.arg(images.first(), reader.errorString()));
        return 2;
    }

    TFax fax;
    FaxPresets::configureForDocuments(fax); // as the print/fax dialog sets its driver up
    fax.setPhoneNo(number);
    fax.setDialType(parser.isSet(pulseOption) ? TFax::dtPulse : TFax::dtTone);

    const QString port = parser.value(portOption).trimmed();
    const QRegularExpressionMatch com = QRegularExpression(u"^COM(\\d+):?$"_s, QRegularExpression::CaseInsensitiveOption).match(port);
    if (com.hasMatch())
        fax.setFaxDevice(TFax::TFaxDevice(com.captured(1).toInt() - 1)); // beyond COM4 the driver refuses it
    else
        fax.setPortDevice(port);

    const QMetaEnum statuses = QMetaEnum::fromType<TFax::TFaxStatus>();
    fax.setOnStatusChange([&statuses](TFax &sender) {
        print(stdout, QString::fromLatin1(statuses.valueToKey(sender.status())) + u' ' + FaxPresets::statusText(sender.status()));
    });

    try {
        if (fax.Connect() && fax.SendPage(page, page.rect(), false)) {
            print(stdout, u"传真成功!"_s);
            return 0;
        }
        print(stderr, u"korvan-fax: 传真失败,请确认Modem设置正确!"_s);
    } catch (const EFaxError &e) {
        print(stderr, u"korvan-fax: 传真失败: "_s + e.message());
    }
    return 1;
}
