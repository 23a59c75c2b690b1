#include "engine/veskupdaterengine.h"
#include "ui/vesksummarydialog.h"
#include "vesktestsupport.h"
#include "windowdriver.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {

const QString form = QStringLiteral("Updater_Summary_MainWindow");
const QString successLog = QStringLiteral("Installing package core:\n  vesk7.exe\n");
const QString failureLog = QStringLiteral("Failed installing package sounds");

} // namespace

class tst_VeskSummaryDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() { closeAllWindows(); }

    void outcomeTexts_data();
    void outcomeTexts();
    void opensAtTheFormsSize();
    void viewDetailsTogglesTheLog();
    void closeStartsTheClientAndQuits_data();
    void closeStartsTheClientAndQuits();
    void closingTheWindowStartsNothing();
};

void tst_VeskSummaryDialog::initTestCase()
{
    // The client is started from the program's folder; this test runs from one whose path
    // holds a space, and the fake client sits beside it.
    QVERIFY2(QCoreApplication::applicationDirPath().contains(' '),
        qPrintable(QCoreApplication::applicationDirPath()));
    QVERIFY(QFile::exists(ClientLog::clientPath()));
}

void tst_VeskSummaryDialog::outcomeTexts_data()
{
    QTest::addColumn<bool>("polish");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("instruction");

    QTest::newRow("success, english")
        << false << true << successLog << "Installation complete"
        << "To complete the update process please restart Veskora instant messenger.";
    QTest::newRow("failure, english")
        << false << false << failureLog << "Installation failed"
        << "Please reinstall application with package from official web page";
    QTest::newRow("success, polish")
        << true << true << successLog << QString::fromUtf8("Aktualizacje zainstalowane pomyślnie")
        << QString::fromUtf8(
               "By zakończyć proces instalacji należy uruchomić ponownie komunikator.");
    QTest::newRow("failure, polish")
        << true << false << failureLog << QString::fromUtf8("Aktualizacja nie powiodła się")
        << QString::fromUtf8("Prosze pobrać i zainstalować vesk ze strony ");
}

void tst_VeskSummaryDialog::outcomeTexts()
{
    QFETCH(bool, polish);
    QFETCH(bool, ok);
    QFETCH(QString, log);
    QFETCH(QString, status);
    QFETCH(QString, instruction);

    const PolishInterface language(polish);
    QCOMPARE(language.isInstalled(), polish);
    VeskUpdaterEngine engine;
    VeskEngineTestAccess::setInstallResult(engine, log, ok);

    new VeskSummaryDialog(&engine);
    QWidget *window = shownWindow(form);
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), polish ? QString("Aktualizuj") : QString("Update"));
    const QString shownStatus = window->findChild<QLabel *>("Updater_Summary_Status")->text();
    const QString shownInstruction
        = window->findChild<QLabel *>("Updater_Summary_Instruction")->text();
    QCOMPARE(shownStatus, status);
    // The Polish failure text ends in the product's web address, which is the catalogue's.
    if (polish && !ok)
        QVERIFY2(shownInstruction.startsWith(instruction)
                && shownInstruction.size() > instruction.size(),
            qPrintable(shownInstruction));
    else
        QCOMPARE(shownInstruction, instruction);
    auto *details = window->findChild<QPlainTextEdit *>("Updater_Summary_Details");
    QCOMPARE(details->toPlainText(), log);
    QVERIFY(details->isVisible());
    QVERIFY(details->isReadOnly());
}

void tst_VeskSummaryDialog::opensAtTheFormsSize()
{
    VeskUpdaterEngine engine;
    VeskEngineTestAccess::setInstallResult(engine, successLog, true);

    QPointer<QObject> controller = new VeskSummaryDialog(&engine);
    QPointer<QWidget> window = shownWindow(form);
    QVERIFY(window);
    QVERIFY(!window->parentWidget());
    QVERIFY(!window->windowIcon().isNull());
    QCOMPARE(window->size(), QSize(400, 222));
    QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));

    window->close();
    QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(controller.isNull(), 5000);
}

void tst_VeskSummaryDialog::viewDetailsTogglesTheLog()
{
    VeskUpdaterEngine engine;
    VeskEngineTestAccess::setInstallResult(engine, successLog, true);

    new VeskSummaryDialog(&engine);
    auto *button = shownChild<QPushButton>(form, "Updater_Summary_ViewDetails");
    auto *details = shownChild<QPlainTextEdit>(form, "Updater_Summary_Details");
    QVERIFY(button && details);
    QVERIFY(details->isVisible());

    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!details->isVisible());
    QCOMPARE(button->text(), QString("View details"));
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(details->isVisible());
    QCOMPARE(button->text(), QString("View details"));
    QVERIFY(shownWindow(form));
}

void tst_VeskSummaryDialog::closeStartsTheClientAndQuits_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("after a successful installation") << true;
    QTest::newRow("after a failed installation") << false;
}

void tst_VeskSummaryDialog::closeStartsTheClientAndQuits()
{
    QFETCH(bool, ok);
    ClientLog client;
    QVERIFY(client.isValid());
    VeskUpdaterEngine engine;
    VeskEngineTestAccess::setInstallResult(engine, ok ? successLog : failureLog, ok);

    new VeskSummaryDialog(&engine);
    auto *restart = shownChild<QPushButton>(form, "Updater_Summary_Restart");
    QVERIFY(restart);
    QCOMPARE(restart->text(), QString("Close"));
    whenLoopRuns([restart] { QTest::mouseClick(restart, Qt::LeftButton); });
    int exitCode = -1;
    QVERIFY2(runEventLoop(15000, &exitCode), "Close did not end the event loop");
    QCOMPARE(exitCode, 0);

    // Once, without arguments.
    QTRY_COMPARE_WITH_TIMEOUT(client.starts().size(), 1, 10000);
    const std::optional<QStringList> starts = client.settledStarts();
    QVERIFY(starts);
    QCOMPARE(*starts, QStringList { QString() });
}

void tst_VeskSummaryDialog::closingTheWindowStartsNothing()
{
    ClientLog client;
    QVERIFY(client.isValid());
    VeskUpdaterEngine engine;
    VeskEngineTestAccess::setInstallResult(engine, successLog, true);

    new VeskSummaryDialog(&engine);
    QPointer<QWidget> window = shownWindow(form);
    QVERIFY(window);
    // What the title bar's close button does.
    whenLoopRuns([window] { window->close(); });
    QVERIFY2(runEventLoop(15000), "closing the last window did not end the event loop");

    const std::optional<QStringList> starts = client.settledStarts();
    QVERIFY(starts);
    QCOMPARE(*starts, QStringList());
}

QTEST_MAIN(tst_VeskSummaryDialog)
#include "tst_vesksummarydialog.moc"
