#include "ui/formloader.h"

#include <QBoxLayout>
#include <QDomDocument>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTranslator>

#include <memory>

// The embedded forms as the controllers load them: the names code relies on, the sizes and
// the picture, and that the catalogue reaches every form text.
class tst_Forms : public QObject
{
    Q_OBJECT
private slots:
    void iconIsA64PixelRgbaMark();
    void forms_data();
    void forms();
    void styleSheetsAreNotTranslatable_data();
    void styleSheetsAreNotTranslatable();
    void polishTexts_data();
    void polishTexts();
    void widgetProperties_data();
    void widgetProperties();
    void layoutTree_data();
    void layoutTree();
};

namespace {

// The program's own loader; the test owns the window it builds.
std::unique_ptr<QWidget> ownedForm(const QString &path)
{
    return std::unique_ptr<QWidget>(loadForm(path));
}

void addFormRows()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("formClass");
    QTest::newRow("Changelog") << ":/res/Changelog.ui"
                               << "Updater_Changelog_MainWindow";
    QTest::newRow("Download") << ":/res/Download.ui"
                              << "Updater_Download_MainWindow";
    QTest::newRow("Install") << ":/res/Install.ui"
                             << "Updater_Install_MainWindow";
    QTest::newRow("Summary") << ":/res/Summary.ui"
                             << "Updater_Summary_MainWindow";
}

} // namespace

void tst_Forms::iconIsA64PixelRgbaMark()
{
    const QImage icon(":/res/icon.png");
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.size(), QSize(64, 64));
    QVERIFY(icon.hasAlphaChannel());
    // A mark, not an empty canvas: see-through corners, an opaque middle, more than one colour.
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(icon.pixel(32, 20)), 255);
    QVERIFY(icon.pixel(32, 20) != icon.pixel(6, 32));
}

void tst_Forms::forms_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("formClass");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("fixedWidth");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QStringList>("progressBars");
    QTest::addColumn<QStringList>("textPanes");

    QTest::newRow("Changelog") << ":/res/Changelog.ui"
                               << "Updater_Changelog_MainWindow" << QSize(450, 218) << true
                               << QStringList { "Updater_Changelog_ViewChangelog",
                                      "Updater_Changelog_DownloadNow",
                                      "Updater_Changelog_DownloadLater" }
                               << QStringList {} << QStringList {}
                               << QStringList { "Updater_Changelog_Details" };
    QTest::newRow("Download") << ":/res/Download.ui"
                              << "Updater_Download_MainWindow" << QSize(450, 189) << true
                              << QStringList { "Updater_Download_Cancel" }
                              << QStringList { "Updater_Download_ProgressText" }
                              << QStringList { "Updater_Download_Progress" } << QStringList {};
    QTest::newRow("Install") << ":/res/Install.ui"
                             << "Updater_Install_MainWindow" << QSize(450, 158) << true
                             << QStringList {} << QStringList { "Updater_Install_ProgressText" }
                             << QStringList { "Updater_Install_Progress" } << QStringList {};
    QTest::newRow("Summary") << ":/res/Summary.ui"
                             << "Updater_Summary_MainWindow" << QSize(400, 222) << false
                             << QStringList { "Updater_Summary_ViewDetails",
                                    "Updater_Summary_Restart" }
                             << QStringList { "Updater_Summary_Status",
                                    "Updater_Summary_Instruction" }
                             << QStringList {} << QStringList { "Updater_Summary_Details" };
}

void tst_Forms::forms()
{
    QFETCH(QString, path);
    QFETCH(QString, formClass);
    QFETCH(QSize, size);
    QFETCH(bool, fixedWidth);
    QFETCH(QStringList, buttons);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, progressBars);
    QFETCH(QStringList, textPanes);

    const std::unique_ptr<QWidget> form = ownedForm(path);
    QVERIFY(form);
    QCOMPARE(form->objectName(), formClass);
    QCOMPARE(form->windowTitle(), QString("Update"));
    QCOMPARE(form->size(), size);
    QVERIFY(!form->windowIcon().isNull());
    QCOMPARE(form->windowIcon().pixmap(64, 64).size(), QSize(64, 64));
    if (fixedWidth) {
        QCOMPARE(form->minimumSize(), QSize(450, 0));
        QCOMPARE(form->maximumSize(), QSize(450, QWIDGETSIZE_MAX));
    } else {
        QCOMPARE(form->minimumSize(), QSize(0, 0));
        QCOMPARE(form->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    }

    // The picture at the top left.
    auto *picture = form->findChild<QLabel *>("label");
    QVERIFY(picture);
    QCOMPARE(picture->pixmap().size(), QSize(64, 64));
    QCOMPARE(picture->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    QVERIFY(picture->text().isEmpty());

    for (const QString &name : buttons)
        QVERIFY2(form->findChild<QPushButton *>(name), qPrintable(name));
    for (const QString &name : labels)
        QVERIFY2(form->findChild<QLabel *>(name), qPrintable(name));
    for (const QString &name : progressBars) {
        auto *bar = form->findChild<QProgressBar *>(name);
        QVERIFY2(bar, qPrintable(name));
        QCOMPARE(bar->value(), 0);
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 100);
    }
    for (const QString &name : textPanes) {
        auto *pane = form->findChild<QPlainTextEdit *>(name);
        QVERIFY2(pane, qPrintable(name));
        QVERIFY(pane->isReadOnly());
    }
    // The install window offers no way out.
    if (formClass == "Updater_Install_MainWindow")
        QVERIFY(form->findChildren<QPushButton *>().isEmpty());
}

void tst_Forms::styleSheetsAreNotTranslatable_data()
{
    addFormRows();
}

void tst_Forms::styleSheetsAreNotTranslatable()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QDomDocument document;
    QVERIFY(document.setContent(&file));
    const QDomNodeList properties = document.elementsByTagName("property");
    int styleSheets = 0;
    for (int i = 0; i < properties.size(); ++i) {
        const QDomElement property = properties.at(i).toElement();
        if (property.attribute("name") != "styleSheet")
            continue;
        ++styleSheets;
        QCOMPARE(property.firstChildElement("string").attribute("notr"), QString("true"));
    }
    QVERIFY(styleSheets > 0);
}

void tst_Forms::polishTexts_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("polish");

    const auto row = [](const char *name, const char *path, const char *object, const char *text) {
        QTest::newRow(name) << QString(path) << QString(object) << QString::fromUtf8(text);
    };
    row("Changelog title", ":/res/Changelog.ui", "", "Aktualizuj");
    row("Changelog heading", ":/res/Changelog.ui", "label_2", "Aktualizacja komunikatora Veskora");
    row("Changelog question", ":/res/Changelog.ui", "label_3",
        "Są dostępne aktualizacje dla komunikatora Veskora. Czy chcesz pobrać je teraz?");
    row("Show changelog", ":/res/Changelog.ui", "Updater_Changelog_ViewChangelog",
        "Pokaż listę zmian");
    row("Download now", ":/res/Changelog.ui", "Updater_Changelog_DownloadNow", "Pobierz teraz");
    row("Download later", ":/res/Changelog.ui", "Updater_Changelog_DownloadLater",
        "Pobierz później");
    row("Download title", ":/res/Download.ui", "", "Aktualizuj");
    row("Download heading", ":/res/Download.ui", "label_2", "Aktualizacja komunikatora Veskora");
    row("Downloading...", ":/res/Download.ui", "Updater_Download_ProgressText", "Pobieranie...");
    row("Cancel", ":/res/Download.ui", "Updater_Download_Cancel", "Anuluj");
    row("Install title", ":/res/Install.ui", "", "Aktualizuj");
    row("Install heading", ":/res/Install.ui", "label_2", "Aktualizacja komunikatora Veskora");
    row("Installing...", ":/res/Install.ui", "Updater_Install_ProgressText", "Instalacja...");
    row("Summary title", ":/res/Summary.ui", "", "Aktualizuj");
    row("Installation complete", ":/res/Summary.ui", "Updater_Summary_Status",
        "Aktualizacje zainstalowane pomyślnie");
    row("Summary instruction", ":/res/Summary.ui", "Updater_Summary_Instruction",
        "By zakończyć proces instalacji należy uruchomić ponownie komunikator.");
    row("View details", ":/res/Summary.ui", "Updater_Summary_ViewDetails", "Pokaż szczegóły");
    row("Close", ":/res/Summary.ui", "Updater_Summary_Restart", "Zamknij");
}

void tst_Forms::polishTexts()
{
    QFETCH(QString, path);
    QFETCH(QString, objectName);
    QFETCH(QString, polish);

    QTranslator translator;
    QVERIFY(translator.load(":/languages/vesk_pl_PL.qm"));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    const std::unique_ptr<QWidget> form = ownedForm(path);
    QCoreApplication::removeTranslator(&translator);
    QVERIFY(form);

    if (objectName.isEmpty()) {
        QCOMPARE(form->windowTitle(), polish);
        return;
    }
    QWidget *widget = form->findChild<QWidget *>(objectName);
    QVERIFY(widget);
    if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), polish);
    else if (auto *button = qobject_cast<QAbstractButton *>(widget))
        QCOMPARE(button->text(), polish);
    else
        QFAIL("neither a label nor a button");
}

void tst_Forms::widgetProperties_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("expected");

    const QString bold = QStringLiteral("font-weight: bold;");
    const QString link = QStringLiteral("border: 0px;\nbackground: transparent;\ncolor: blue;\n"
                                        "text-decoration: underline;\ntext-align: left;");
    const QVariant styledPanel = QVariant::fromValue(QFrame::StyledPanel);
    const QVariant raised = QVariant::fromValue(QFrame::Raised);
    const QVariant minimumPreferred
        = QVariant::fromValue(QSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred));
    const auto row
        = [](const char *path, const char *object, const char *property, const QVariant &expected) {
              QTest::addRow("%s %s %s", path + 6, *object ? object : "window", property)
                  << QString(path) << QString(object) << QByteArray(property) << expected;
          };

    row(":/res/Changelog.ui", "", "sizePolicy", minimumPreferred);
    row(":/res/Changelog.ui", "label_2", "styleSheet", bold);
    row(":/res/Changelog.ui", "label_2", "wordWrap", true);
    row(":/res/Changelog.ui", "label_3", "wordWrap", true);
    row(":/res/Changelog.ui", "frame", "frameShape", styledPanel);
    row(":/res/Changelog.ui", "frame", "frameShadow", raised);
    row(":/res/Changelog.ui", "Updater_Changelog_ViewChangelog", "styleSheet", link);
    row(":/res/Download.ui", "", "sizePolicy", minimumPreferred);
    row(":/res/Download.ui", "label_2", "styleSheet", bold);
    row(":/res/Download.ui", "label_2", "wordWrap", true);
    row(":/res/Download.ui", "frame", "frameShape", styledPanel);
    row(":/res/Download.ui", "frame", "frameShadow", raised);
    row(":/res/Install.ui", "", "sizePolicy", minimumPreferred);
    row(":/res/Install.ui", "label_2", "styleSheet", bold);
    row(":/res/Install.ui", "label_2", "wordWrap", true);
    row(":/res/Install.ui", "frame", "frameShape", styledPanel);
    row(":/res/Install.ui", "frame", "frameShadow", raised);
    row(":/res/Summary.ui", "Updater_Summary_Status", "styleSheet", bold);
    row(":/res/Summary.ui", "Updater_Summary_Status", "wordWrap", true);
    row(":/res/Summary.ui", "Updater_Summary_Instruction", "wordWrap", true);
    row(":/res/Summary.ui", "Updater_Summary_ViewDetails", "styleSheet", link);
}

void tst_Forms::widgetProperties()
{
    QFETCH(QString, path);
    QFETCH(QString, objectName);
    QFETCH(QByteArray, property);
    QFETCH(QVariant, expected);

    const std::unique_ptr<QWidget> form = ownedForm(path);
    QVERIFY(form);
    QWidget *widget = objectName.isEmpty() ? form.get() : form->findChild<QWidget *>(objectName);
    QVERIFY(widget);
    QCOMPARE(widget->property(property.constData()), expected);
}

void tst_Forms::layoutTree_data()
{
    QTest::addColumn<QString>("path");
    // Each layout as "name class parent", the parent being the layout or widget holding it.
    QTest::addColumn<QStringList>("layouts");

    QTest::newRow("Changelog") << ":/res/Changelog.ui"
                               << QStringList {
                                      "verticalLayout_2 QVBoxLayout Updater_Changelog_MainWindow",
                                      "horizontalLayout_2 QHBoxLayout verticalLayout_2",
                                      "verticalLayout_3 QVBoxLayout horizontalLayout_2",
                                      "verticalLayout QVBoxLayout frame",
                                      "horizontalLayout QHBoxLayout verticalLayout",
                                  };
    QTest::newRow("Download") << ":/res/Download.ui"
                              << QStringList {
                                     "verticalLayout_2 QVBoxLayout Updater_Download_MainWindow",
                                     "horizontalLayout_2 QHBoxLayout verticalLayout_2",
                                     "verticalLayout QVBoxLayout frame",
                                     "horizontalLayout QHBoxLayout verticalLayout_2",
                                 };
    QTest::newRow("Install") << ":/res/Install.ui"
                             << QStringList {
                                    "verticalLayout_2 QVBoxLayout Updater_Install_MainWindow",
                                    "horizontalLayout QHBoxLayout verticalLayout_2",
                                    "verticalLayout QVBoxLayout frame",
                                };
    QTest::newRow("Summary") << ":/res/Summary.ui"
                             << QStringList {
                                    "verticalLayout QVBoxLayout Updater_Summary_MainWindow",
                                    "horizontalLayout QHBoxLayout verticalLayout",
                                    "verticalLayout_2 QVBoxLayout horizontalLayout",
                                    "horizontalLayout_2 QHBoxLayout verticalLayout",
                                };
}

void tst_Forms::layoutTree()
{
    QFETCH(QString, path);
    QFETCH(QStringList, layouts);

    const std::unique_ptr<QWidget> form = ownedForm(path);
    QVERIFY(form);
    QStringList found;
    const QList<QLayout *> all = form->findChildren<QLayout *>();
    for (const QLayout *layout : all) {
        // Unnamed ones belong to the insides of the widgets (scroll areas).
        if (layout->objectName().isEmpty())
            continue;
        found << layout->objectName() + ' ' + layout->metaObject()->className() + ' '
                + layout->parent()->objectName();
    }
    found.sort();
    layouts.sort();
    QCOMPARE(found, layouts);

    if (path == ":/res/Install.ui")
        QCOMPARE(form->findChild<QLayout *>("horizontalLayout")->sizeConstraint(),
            QLayout::SetDefaultConstraint);
    // Only the show/hide button of the update-available window looks like a link to the
    // pointer; the summary's "View details" sets no cursor.
    if (path == ":/res/Summary.ui")
        QVERIFY(!form->findChild<QWidget *>("Updater_Summary_ViewDetails")
                     ->testAttribute(Qt::WA_SetCursor));
    if (path == ":/res/Changelog.ui")
        QCOMPARE(form->findChild<QWidget *>("Updater_Changelog_ViewChangelog")->cursor().shape(),
            Qt::PointingHandCursor);
}

QTEST_MAIN(tst_Forms)
#include "tst_forms.moc"
