// The production help: pages of each edition, topics by context number, the keyword index and its filter box.
#include "tests/support/TestSupport.h"
#include "ui/common/Help.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTextBrowser>

using namespace quorvel;
using namespace quorvel::ui;

namespace {

QWidget* helpWindow(UiLanguage language)
{
    const QString name =
        language == UiLanguage::Spanish ? QStringLiteral("helpWindow_es") : QStringLiteral("helpWindow_en");
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == name && widget->isVisible()) {
            return widget;
        }
    }
    return nullptr;
}

QString pageShown(UiLanguage language)
{
    QWidget* window = helpWindow(language);
    return window == nullptr ? QString()
                             : window->findChild<QTextBrowser*>(QStringLiteral("helpBrowser"))->source().fileName();
}

QString folder(UiLanguage language)
{
    return language == UiLanguage::Spanish ? QStringLiteral(":/help/es") : QStringLiteral(":/help/en");
}

} // namespace

class HelpViewerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { Help::setHandler(nullptr); }

    void cleanup()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            delete widget;
        }
    }

    void topicsOpenByContextNumber_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<int>("context");
        QTest::addColumn<QString>("page");
        for (const UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
            const char* tag = language == UiLanguage::Spanish ? "es" : "en";
            QTest::addRow("%s 100", tag) << language << 100 << "register.html";
            QTest::addRow("%s 101", tag) << language << 101 << "register.html";
            QTest::addRow("%s 200", tag) << language << 200 << "favourites.html";
            QTest::addRow("%s 202", tag) << language << 202 << "favourites.html";
            QTest::addRow("%s 400", tag) << language << 400 << "symbology.html";
            QTest::addRow("%s 404", tag) << language << 404 << "symbology.html";
            QTest::addRow("%s unknown", tag) << language << 999 << "index.html";
        }
    }

    void topicsOpenByContextNumber()
    {
        QFETCH(UiLanguage, language);
        QFETCH(int, context);
        QFETCH(QString, page);
        helpViewer().showTopic(nullptr, language, context);
        QCOMPARE(pageShown(language), page);
        QTextBrowser* browser = helpWindow(language)->findChild<QTextBrowser*>(QStringLiteral("helpBrowser"));
        QVERIFY(!browser->toPlainText().trimmed().isEmpty());
        QCOMPARE(browser->source().toString().contains(language == UiLanguage::Spanish ? QStringLiteral("/es/")
                                                                                       : QStringLiteral("/en/")),
                 true);
    }

    void favouritesPageSaysChoosingANameOpensNothing_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("opensNothing");
        QTest::newRow("es") << UiLanguage::Spanish << QStringLiteral("\"buscar direccion\"")
                            << QStringLiteral("Elegir un nombre en una lista no abre nada");
        QTest::newRow("en") << UiLanguage::English << QStringLiteral("\"Search adress\"")
                            << QStringLiteral("Choosing a name in a list opens nothing");
    }

    void favouritesPageSaysChoosingANameOpensNothing()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, command);
        QFETCH(QString, opensNothing);
        helpViewer().showTopic(nullptr, language, language == UiLanguage::Spanish ? 200 : 202);
        const QString text =
            helpWindow(language)->findChild<QTextBrowser*>(QStringLiteral("helpBrowser"))->toPlainText().simplified();
        QVERIFY2(text.contains(opensNothing), qPrintable(text));
        QVERIFY2(text.contains(command), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("al elegir un nombre se abre")));
        QVERIFY(!text.contains(QStringLiteral("choosing a name opens")));
    }

    void contentsAndSearchOpenTheEditionsWindowOnce_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("title");
        QTest::newRow("es") << UiLanguage::Spanish << QStringLiteral("Ayuda de Quorvel");
        QTest::newRow("en") << UiLanguage::English << QStringLiteral("Quorvel Help");
    }

    void contentsAndSearchOpenTheEditionsWindowOnce()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, title);
        helpViewer().showTopic(nullptr, language, 200);
        QWidget* first = helpWindow(language);
        helpViewer().showContents(nullptr, language);
        QCOMPARE(helpWindow(language), first);
        QCOMPARE(first->windowTitle(), title);
        QCOMPARE(pageShown(language), QStringLiteral("index.html"));
        QVERIFY(helpWindow(language == UiLanguage::Spanish ? UiLanguage::English : UiLanguage::Spanish) == nullptr);

        auto* filter = first->findChild<QLineEdit*>(QStringLiteral("helpFilter"));
        filter->setText(QStringLiteral("left over"));
        helpViewer().showSearch(nullptr, language);
        QCOMPARE(filter->text(), QString());
        QApplication::setActiveWindow(first);
        QVERIFY(QTest::qWaitForWindowActive(first));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(filter));
    }

    void theIndexFilterFindsKeywordsWithoutCaseOrAccents_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("firstKeyword");
        QTest::addColumn<QString>("page");
        QTest::newRow("es simbologia") << UiLanguage::Spanish << "simbologia" << QStringLiteral("simbología")
                                       << "symbology.html";
        QTest::newRow("es FAVOR") << UiLanguage::Spanish << "FAVOR" << QStringLiteral("borrar favorito")
                                  << "favourites.html";
        QTest::newRow("en code") << UiLanguage::English << "figure code" << QStringLiteral("figure code")
                                 << "codes.html";
        QTest::newRow("en espanol") << UiLanguage::English << "espanol" << QStringLiteral("Español") << "start.html";
    }

    void theIndexFilterFindsKeywordsWithoutCaseOrAccents()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, typed);
        QFETCH(QString, firstKeyword);
        QFETCH(QString, page);
        helpViewer().showSearch(nullptr, language);
        QWidget* window = helpWindow(language);
        auto* filter = window->findChild<QLineEdit*>(QStringLiteral("helpFilter"));
        auto* index = window->findChild<QListWidget*>(QStringLiteral("helpIndex"));
        QVERIFY(index->count() > 40);
        QTest::keyClicks(filter, typed);
        QStringList visible;
        for (int row = 0; row < index->count(); ++row) {
            if (!index->item(row)->isHidden()) {
                visible << index->item(row)->text();
            }
        }
        QVERIFY(!visible.isEmpty());
        QCOMPARE(visible.first(), firstKeyword);
        QVERIFY(visible.size() < index->count());
        QTest::keyClick(filter, Qt::Key_Return);
        QCOMPARE(pageShown(language), page);

        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("helpContents")), Qt::LeftButton);
        QCOMPARE(pageShown(language), QStringLiteral("index.html"));
    }

    void noTwoIndexLinesReadAlike_data() { test::editions(); }

    void noTwoIndexLinesReadAlike()
    {
        QFETCH(UiLanguage, language);
        helpViewer().showSearch(nullptr, language);
        auto* index = helpWindow(language)->findChild<QListWidget*>(QStringLiteral("helpIndex"));
        QSet<QString> seen;
        for (int row = 0; row < index->count(); ++row) {
            const QString line = index->item(row)->text().toCaseFolded();
            QVERIFY2(!seen.contains(line), qPrintable(index->item(row)->text()));
            seen.insert(line);
        }
    }

    void everyPageIsReachableAndEveryLinkResolves_data() { test::editions(); }

    void everyPageIsReachableAndEveryLinkResolves()
    {
        QFETCH(UiLanguage, language);
        const QDir dir(folder(language));
        const QStringList pages = dir.entryList({QStringLiteral("*.html")}, QDir::Files);
        QVERIFY(pages.size() >= 9);
        // Both editions offer the same pages.
        const QUrl other = QUrl(QStringLiteral("qrc") +
                                folder(language == UiLanguage::Spanish ? UiLanguage::English : UiLanguage::Spanish));
        QCOMPARE(QDir(QStringLiteral(":") + other.path()).entryList({QStringLiteral("*.html")}, QDir::Files), pages);

        static const QRegularExpression link(QStringLiteral("href=\"([^\"#]+)\""));
        QSet<QString> linkedFromContents;
        for (const QString& page : pages) {
            QFile file(dir.filePath(page));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString html = QString::fromUtf8(file.readAll());
            QVERIFY2(html.contains(QStringLiteral("<title>")), qPrintable(page));
            auto links = link.globalMatch(html);
            while (links.hasNext()) {
                const QString target = links.next().captured(1);
                QVERIFY2(QFile::exists(dir.filePath(target)), qPrintable(page + QStringLiteral(" -> ") + target));
                if (page == QStringLiteral("index.html")) {
                    linkedFromContents.insert(target);
                }
            }
        }
        for (const QString& page : pages) {
            QVERIFY2(page == QStringLiteral("index.html") || linkedFromContents.contains(page), qPrintable(page));
        }
    }

    void pagesShowTheConfiguredSiteWord_data() { test::editions(); }

    void pagesShowTheConfiguredSiteWord()
    {
        QFETCH(UiLanguage, language);
        const QDir dir(folder(language));
        static const QRegularExpression placeholder(QStringLiteral("@[A-Za-z]+@"));
        for (const QString& page : dir.entryList({QStringLiteral("*.html")}, QDir::Files)) {
            QFile file(dir.filePath(page));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY2(!placeholder.match(QString::fromUtf8(file.readAll())).hasMatch(), qPrintable(page));
        }
        QFile codes(dir.filePath(QStringLiteral("codes.html")));
        QVERIFY(codes.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(codes.readAll());
        const QString prefix = quorvel::test::figureSitePrefix();
        QVERIFY(html.contains(QStringLiteral("http://www.%1-abc-rmt.com").arg(prefix)));
        QVERIFY(html.contains(QStringLiteral("www.%1-abc-tlx.com").arg(prefix)));
    }

    void theWindowReadsInItsEdition_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("contents");
        QTest::newRow("es") << UiLanguage::Spanish << QStringLiteral("Ayuda de Quorvel")
                            << QStringLiteral("&Contenido");
        QTest::newRow("en") << UiLanguage::English << QStringLiteral("Quorvel Help") << QStringLiteral("&Contents");
    }

    void theWindowReadsInItsEdition()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, caption);
        QFETCH(QString, contents);
        Help::showContents(nullptr, language);
        QWidget* window = helpWindow(language);
        QVERIFY(window != nullptr);
        QCOMPARE(window->windowTitle(), caption);
        QCOMPARE(window->findChild<QPushButton*>(QStringLiteral("helpContents"))->text(), contents);
    }
};

QTEST_MAIN(HelpViewerTest)
#include "HelpViewerTest.moc"
