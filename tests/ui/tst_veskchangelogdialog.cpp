#include "engine/veskupdaterengine.h"
#include "ui/veskchangelogdialog.h"
#include "vesktestsupport.h"
#include "windowdriver.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString form = QStringLiteral("Updater_Changelog_MainWindow");

UpdateRecord *record(
    const std::string &description, const std::string &version, const std::string &changelog)
{
    return new UpdateRecord("vesk", "core", "app", version, description, "copyright", "author",
        "http://example.invalid/", "dev@example.invalid", changelog,
        "http://example.invalid/core.zip", false, 0);
}

struct RecordTexts
{
    std::string description;
    std::string version;
    std::string changelog;
};

} // namespace

Q_DECLARE_METATYPE(QList<RecordTexts>)

class tst_VeskChangelogDialog : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { closeAllWindows(); }

    void detailsText_data();
    void detailsText();
    void prefixIsPolishUnderEveryLanguage_data();
    void prefixIsPolishUnderEveryLanguage();
    void opensCompactWithDetailsHidden();
    void toggleShowsAndHidesDetails();
    void controllerGoesWithItsWindow();
};

void tst_VeskChangelogDialog::detailsText_data()
{
    QTest::addColumn<QList<RecordTexts>>("records");
    QTest::addColumn<QString>("expected");

    QTest::newRow("one record") << QList<RecordTexts> {
        { "Core update", "7.1", "Fixed the tray icon." }
    } << QString("Core update\nZmiany w wersji 7.1\nFixed the tray icon.");
    QTest::newRow("two records")
        << QList<RecordTexts> { { "Core update", "7.1", "Fixed the tray icon." },
               { "Sound pack", "2.0", "New sounds.\nLouder bell." } }
        << QString("Core update\nZmiany w wersji 7.1\nFixed the tray icon.\n\n"
                   "Sound pack\nZmiany w wersji 2.0\nNew sounds.\nLouder bell.");
    QTest::newRow("empty description and changelog first")
        << QList<RecordTexts> { { "", "3.0", "" }, { "Sound pack", "2.0", "New sounds." } }
        << QString("\nZmiany w wersji 3.0\n\n\nSound pack\nZmiany w wersji 2.0\nNew sounds.");
    QTest::newRow("empty description and changelog last")
        << QList<RecordTexts> { { "Sound pack", "2.0", "New sounds." }, { "", "3.0", "" } }
        << QString("Sound pack\nZmiany w wersji 2.0\nNew sounds.\n\n\nZmiany w wersji 3.0\n");
    QTest::newRow("utf-8 texts") << QList<RecordTexts> {
        { "Aktualizacja rdzenia", "7.1", "Poprawiono ikonę zasobnika" }
    } << QString::fromUtf8("Aktualizacja rdzenia\nZmiany w wersji 7.1\nPoprawiono ikonę zasobnika");
    QTest::newRow("text after a NUL byte") << QList<RecordTexts> {
        { std::string("Core\0hidden", 11), "7.1", std::string("Log\0rest", 8) }
    } << QString("Core\nZmiany w wersji 7.1\nLog");
}

void tst_VeskChangelogDialog::detailsText()
{
    QFETCH(QList<RecordTexts>, records);
    QFETCH(QString, expected);

    VeskUpdaterEngine engine;
    QVector<UpdateRecord *> list;
    for (const RecordTexts &r : records)
        list << record(r.description, r.version, r.changelog);
    VeskEngineTestAccess::setUpdates(engine, list);

    new VeskChangelogDialog(&engine);
    auto *details = shownChild<QPlainTextEdit>(form, "Updater_Changelog_Details");
    QVERIFY(details);
    QCOMPARE(details->toPlainText(), expected);
    QVERIFY(details->isReadOnly());
}

void tst_VeskChangelogDialog::prefixIsPolishUnderEveryLanguage_data()
{
    QTest::addColumn<bool>("polish");
    QTest::addColumn<QString>("buttonText");
    QTest::newRow("english") << false << QString("Show changelog");
    QTest::newRow("polish") << true << QString::fromUtf8("Pokaż listę zmian");
}

void tst_VeskChangelogDialog::prefixIsPolishUnderEveryLanguage()
{
    QFETCH(bool, polish);
    QFETCH(QString, buttonText);

    const PolishInterface language(polish);
    QCOMPARE(language.isInstalled(), polish);
    VeskUpdaterEngine engine;
    VeskEngineTestAccess::setUpdates(engine, { record("Core update", "7.1", "Fixed.") });

    new VeskChangelogDialog(&engine);
    QCOMPARE(shownChild<QPushButton>(form, "Updater_Changelog_ViewChangelog")->text(), buttonText);
    QCOMPARE(shownChild<QPlainTextEdit>(form, "Updater_Changelog_Details")->toPlainText(),
        QString("Core update\nZmiany w wersji 7.1\nFixed."));
}

void tst_VeskChangelogDialog::opensCompactWithDetailsHidden()
{
    VeskUpdaterEngine engine;
    VeskEngineTestAccess::setUpdates(engine, { record("Core update", "7.1", "Fixed.") });

    new VeskChangelogDialog(&engine);
    QWidget *window = shownWindow(form);
    QVERIFY(window);
    QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(!window->parentWidget());
    QVERIFY(!window->isModal());
    QCOMPARE(window->windowTitle(), QString("Update"));
    QVERIFY(!window->windowIcon().isNull());
    QVERIFY(!window->findChild<QPlainTextEdit *>("Updater_Changelog_Details")->isVisible());
    QCOMPARE(window->width(), 450);
    // adjustSize() took the form's compact height, well under the 218 the form is drawn at.
    QCOMPARE(window->height(), window->sizeHint().height());
    QVERIFY(window->height() < 218);
}

void tst_VeskChangelogDialog::toggleShowsAndHidesDetails()
{
    VeskUpdaterEngine engine;
    VeskEngineTestAccess::setUpdates(engine, { record("Core update", "7.1", "Fixed.") });

    new VeskChangelogDialog(&engine);
    QWidget *window = shownWindow(form);
    QVERIFY(window);
    auto *button = window->findChild<QPushButton *>("Updater_Changelog_ViewChangelog");
    auto *details = window->findChild<QPlainTextEdit *>("Updater_Changelog_Details");
    QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
    const int compactHeight = window->height();

    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(details->isVisible());
    QCOMPARE(button->text(), QString("Hide changelog"));
    QTRY_VERIFY_WITH_TIMEOUT(
        window->height() > compactHeight + details->minimumSizeHint().height() / 2, 5000);
    QCOMPARE(window->width(), 450);

    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!details->isVisible());
    QCOMPARE(button->text(), QString("Show changelog"));
    QTRY_COMPARE_WITH_TIMEOUT(window->height(), compactHeight, 5000);
    QCOMPARE(window->width(), 450);

    // And the toggle keeps working after a round trip.
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(details->isVisible());
    QCOMPARE(button->text(), QString("Hide changelog"));
}

void tst_VeskChangelogDialog::controllerGoesWithItsWindow()
{
    VeskUpdaterEngine engine;
    VeskEngineTestAccess::setUpdates(engine, { record("Core update", "7.1", "Fixed.") });

    QPointer<QObject> controller = new VeskChangelogDialog(&engine);
    QPointer<QWidget> window = shownWindow(form);
    QVERIFY(window);
    QVERIFY(!controller->parent());
    window->close();
    QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(controller.isNull(), 5000);
    // The engine is not the controller's to delete.
    QVERIFY(engine.hasUpdates());
}

QTEST_MAIN(tst_VeskChangelogDialog)
#include "tst_veskchangelogdialog.moc"
