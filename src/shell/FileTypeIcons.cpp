#include "shell/FileTypeIcons.h"

#include <QString>

namespace brevane::FileTypeIcons {

QIcon icon(int index)
{
    static const char* const names[Count] = { "00-wmf", "01-bmp", "02-dib", "03-emf", "04-gif", "05-ico", "06-jpg",
        "07-other", "08-add", "09-about", "10-exit", "11-task", "12-one-picture" };
    if (index < 0 || index >= Count)
        return QIcon();
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(names[index])));
}

} // namespace brevane::FileTypeIcons
