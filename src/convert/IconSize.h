#pragma once

#include <QtGlobal>

namespace brevane {

// The icon size in pixels (16, 32 or 48): one value for the whole run of the program. The
// options dialog sets it, a batch run reads it and, with automatic sizing, overwrites it.
inline qint32 nIconSize = 32;

} // namespace brevane
