#pragma once

#include "tfax.h"

#include <QString>

// How the client's documents use the fax driver: the print/fax dialog and
// korvan-fax set it up alike and show its status in the same words.
namespace FaxPresets {

// Fine resolution, initialisation "&FE1Q0V1S0=0", reset "Z", scale factors 1 and 1.
void configureForDocuments(TFax &fax);

// The status line text of a driver status ("就绪", "拨号...", …).
QString statusText(TFax::TFaxStatus status);

} // namespace FaxPresets
