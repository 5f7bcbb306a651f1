#include "demodata.h"

bool DemoData::fill(sqlite3 *, const QDate &, QString *error)
{
    *error = QStringLiteral("demo data are not available in this build yet");
    return false;
}
