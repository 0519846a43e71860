#include "tests/ui/companions/CompanionTesting.h"

#include "core/SharedState.h"

#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QWidget>

namespace quorvel::test {

void FakeKeepInFront::setKeptInFront(QWidget* window, bool on)
{
    lastWindow = window;
    switches << (on ? QStringLiteral("on") : QStringLiteral("off"));
}

std::unique_ptr<QPrinter> PdfPrinting::defaultPrinter()
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    const QString directory = outputDirectory.isEmpty() ? folder.path() : outputDirectory;
    const QString file = QStringLiteral("%1/document-%2.pdf").arg(directory).arg(documents.size() + 1);
    printer->setOutputFileName(file);
    documents << file;
    printableArea = printer->pageLayout().paintRect(QPageLayout::Point);
    return printer;
}

QString runTool(const QString& program, const QStringList& arguments, bool* ok)
{
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(30000);
    *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!*ok) {
        qWarning("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pdfPageCount(const QString& file)
{
    bool ok = false;
    const QString info = runTool(QStringLiteral("pdfinfo"), {file}, &ok);
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption).match(info);
    return ok && match.hasMatch() ? match.captured(1).toInt() : -1;
}

std::vector<PdfWord> pdfWords(const QString& file)
{
    bool ok = false;
    const QString html =
        runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), file, QStringLiteral("-")}, &ok);
    std::vector<PdfWord> words;
    const QRegularExpression word(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
        const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
        QString text = m.captured(5);
        text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
            .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
            .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
            .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        words.push_back({text, QRectF(topLeft, bottomRight)});
    }
    return words;
}

QImage pdfPageImage(const QString& file, int dotsPerInch)
{
    bool ok = false;
    const QString prefix = file + QStringLiteral(".page");
    runTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QString::number(dotsPerInch), QStringLiteral("-gray"), QStringLiteral("-singlefile"),
             file, prefix},
            &ok);
    if (!ok) {
        return {};
    }
    QImage image(prefix + QStringLiteral(".pgm"));
    return image.convertToFormat(QImage::Format_Grayscale8);
}

} // namespace quorvel::test
