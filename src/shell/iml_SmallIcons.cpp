#include "shell/iml_SmallIcons.h"

#include <QString>

namespace brevane::iml_SmallIcons {

QIcon Icon(int nIndex)
{
    static const char* const names[Count] = { "00-wmf", "01-bmp", "02-dib", "03-emf", "04-gif", "05-ico", "06-jpg",
        "07-other", "08-add", "09-about", "10-exit", "11-task" };
    if (nIndex < 0 || nIndex >= Count)
        return QIcon();
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(names[nIndex])));
}

} // namespace brevane::iml_SmallIcons
