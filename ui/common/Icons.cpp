#include "ui/common/Icons.h"

namespace quorvel::ui {

QIcon applicationIcon()
{
    return resourceIcon("quorvel");
}

QIcon resourceIcon(const char* name)
{
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QString::fromUtf8(name)));
}

} // namespace quorvel::ui
