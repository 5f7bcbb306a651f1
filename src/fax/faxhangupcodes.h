#pragma once

#include <QString>

// One row of the modem's hang-up report table (+FHNG:code).
struct TErrorCode {
    int code;
    const char *message;
};

namespace FaxHangupCodes {

// The 40 rows, in ascending code order.
const TErrorCode *table();
int tableSize();

// The message of code, or an empty string when the code is not in the table.
QString message(int code);

} // namespace FaxHangupCodes
