#pragma once

#include "korvanerror.h"

// Raised by the fax driver after it has returned to idle, closed the port and
// shown its warning; the message is the one the warning showed.
class EFaxError : public KorvanError
{
public:
    using KorvanError::KorvanError;
};
