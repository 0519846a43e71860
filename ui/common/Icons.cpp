#include "ui/common/Icons.h"

#include <QImageReader>
#include <QPixmap>

namespace quorvel::ui {

QIcon applicationIcon()
{
    // Renderings of the SVG made at build time: a window shows them without loading the SVG icon plugin. The
    // format is named and not guessed: guessing it asks every image format plugin in turn, loading each one.
    QIcon icon;
    for (const int size : {32, 48, 128}) {
        QImageReader reader(QStringLiteral(":/icons/quorvel-%1.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}

QIcon resourceIcon(const char* name)
{
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QString::fromUtf8(name)));
}

} // namespace quorvel::ui
