#include "faxpresets.h"

using namespace Qt::StringLiterals;

namespace FaxPresets {

void configureForDocuments(TFax &fax)
{
    fax.setFaxMode(TFax::fmFine);
    fax.setModemInitStr(u"&FE1Q0V1S0=0"_s);
    fax.setModemResetStr(u"Z"_s);
    fax.setScaleFactorX(1);
    fax.setScaleFactorY(1);
}

QString statusText(TFax::TFaxStatus status)
{
    switch (status) {
    case TFax::fsIdle:
        return u"就绪"_s;
    case TFax::fsDeviceOpen:
        return u"打开设备..."_s;
    case TFax::fsModemSetup:
        return u"设置Modem..."_s;
    case TFax::fsDialling:
        return u"拨号..."_s;
    case TFax::fsWaitingForConnect:
        return u"等待对方连接..."_s;
    case TFax::fsWaitingForPage:
        return u"等待数据..."_s;
    case TFax::fsSendingPage:
        return u"传送数据..."_s;
    case TFax::fsAborted:
        return u"放弃"_s;
    case TFax::fsError:
        return u"出错"_s;
    }
    return QString();
}

} // namespace FaxPresets
