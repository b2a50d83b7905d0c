#include "platform/JpegScans.h"

namespace brevane {

int jpegScanCount(const QByteArray& data, int stopAfter)
{
    const auto* d = reinterpret_cast<const unsigned char*>(data.constData());
    const qsizetype n = data.size();
    int scans = 0;
    qsizetype at = 2; // after SOI
    while (at + 1 < n && scans <= stopAfter) {
        if (d[at] != 0xFF) {
            ++at; // garbage between segments: decoders skip it too
            continue;
        }
        const unsigned char marker = d[at + 1];
        at += 2;
        // Fill bytes, and markers without a length (TEM, RSTn, SOI).
        if (marker == 0xFF) {
            --at;
            continue;
        }
        if (marker == 0xD9) // EOI
            break;
        if (marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x00)
            continue;
        if (at + 2 > n)
            break;
        at += (qsizetype(d[at]) << 8) | d[at + 1];
        if (marker != 0xDA)
            continue;
        ++scans;
        // Entropy-coded data runs to the next marker other than a stuffed 0xFF00 or RSTn.
        while (at + 1 < n && !(d[at] == 0xFF && d[at + 1] != 0x00 && (d[at + 1] < 0xD0 || d[at + 1] > 0xD7)))
            ++at;
    }
    return scans;
}

} // namespace brevane
