#include "ui/common/Icons.h"

namespace quorvel::ui {

QIcon applicationIcon()
{
    // Renderings of the SVG made at build time: a window shows them without loading the SVG icon plugin.
    QIcon icon;
    for (const int size : {32, 48, 128}) {
        icon.addFile(QStringLiteral(":/icons/quorvel-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QIcon resourceIcon(const char* name)
{
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QString::fromUtf8(name)));
}

} // namespace quorvel::ui
