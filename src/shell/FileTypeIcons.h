#pragma once

#include <QIcon>

namespace brevane::FileTypeIcons {

// The small icons the list and the task pane share; the index decides the meaning:
// 0 WMF, 1 BMP, 2 DIB, 3 EMF, 4 GIF, 5 ICO and CUR, 6 JPG, 7 anything else,
// 8 add pictures, 9 About, 10 exit, 11 the two conversion tasks, 12 an icon from one picture.
inline constexpr int Count = 13;
QIcon icon(int index);

} // namespace brevane::FileTypeIcons
