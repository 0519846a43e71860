// Renders an SVG icon into a square PNG of the given size: quorvel-render-icon in.svg size out.png
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: quorvel-render-icon in.svg size out.png\n");
        return 2;
    }
    QSvgRenderer renderer(args[1]);
    bool ok = false;
    const int size = args[2].toInt(&ok);
    if (!renderer.isValid() || !ok || size <= 0) {
        std::fprintf(stderr, "quorvel-render-icon: cannot render %s at %s\n", qPrintable(args[1]), qPrintable(args[2]));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    QDir().mkpath(QFileInfo(args[3]).absolutePath());
    if (!image.save(args[3], "PNG")) {
        std::fprintf(stderr, "quorvel-render-icon: cannot write %s\n", qPrintable(args[3]));
        return 1;
    }
    return 0;
}
