#include "ui/common/Registration.h"
#include "ui/common/Windows.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    quorvel::ui::registerAllWindows();
    return 0;
}
