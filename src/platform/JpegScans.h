#pragma once

#include <QByteArray>

namespace brevane {

// The number of scans (SOS markers) in a JPEG, found by walking its segments and skipping
// each scan's entropy-coded data, stopping once 'stopAfter' is passed. Decoders walk the
// whole picture once per scan, so a small file of thousands of scans takes minutes:
// compare the count with limits::MaxJpegScans before decoding.
int jpegScanCount(const QByteArray& data, int stopAfter = 1 << 30);

} // namespace brevane
