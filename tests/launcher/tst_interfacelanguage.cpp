#include "boxprobe.h"
#include "fakeupdateserver.h"
#include "launcher/interfacelanguage.h"
#include "launcher/roamingappdata.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

const QString webPage = QStringLiteral("http://www.veskora.pl");
const QString embeddedCatalogue = QStringLiteral(":/languages/vesk_pl_PL.qm");

QString noUpdatesText()
{
    return QCoreApplication::translate("translation", "No updates available.", "nc");
}

// One message of a catalogue as the release tool stored it.
struct StoredMessage
{
    QString context;
    QString source;
    QString comment;
    QString translation;
};

// Turns the embedded catalogue back into Linguist source with lconvert and reads every
// message, comment included, so the test sees what was stored rather than what a lookup
// with its fallbacks finds.
QList<StoredMessage> storedMessages(QString *failure)
{
    QTemporaryDir dir;
    const QString qmPath = dir.filePath("vesk_pl_PL.qm");
    const QString tsPath = dir.filePath("vesk_pl_PL.ts");
    if (!QFile::copy(embeddedCatalogue, qmPath)) {
        *failure = "cannot copy the embedded catalogue";
        return {};
    }
    QProcess lconvert;
    lconvert.start(QStringLiteral(VESK_LCONVERT), { "-i", qmPath, "-o", tsPath });
    if (!lconvert.waitForFinished(30000) || lconvert.exitCode() != 0) {
        *failure = "lconvert failed: " + QString::fromLocal8Bit(lconvert.readAllStandardError());
        return {};
    }
    QFile ts(tsPath);
    if (!ts.open(QIODevice::ReadOnly)) {
        *failure = "lconvert wrote nothing";
        return {};
    }

    QList<StoredMessage> messages;
    QXmlStreamReader xml(&ts);
    QString context;
    StoredMessage message;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"message") {
            messages.append(message);
        } else if (xml.isStartElement()) {
            if (xml.name() == u"name")
                context = xml.readElementText();
            else if (xml.name() == u"message")
                message = StoredMessage { context, {}, {}, {} };
            else if (xml.name() == u"source")
                message.source = xml.readElementText();
            else if (xml.name() == u"comment")
                message.comment = xml.readElementText();
            else if (xml.name() == u"translation")
                message.translation = xml.readElementText();
        }
    }
    if (xml.hasError())
        *failure = xml.errorString();
    return messages;
}

} // namespace

class tst_InterfaceLanguage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void roamingFolder_data();
    void roamingFolder();
    void settingsPath_data();
    void settingsPath();
    void emptySettingsPathHoldsNoKeys();

    void languageListFromFolder();
    void languageListOfThisProgram();
    void defaultLanguage_data();
    void defaultLanguage();

    void selection_data();
    void selection();
    void startUpReadsTheClientSettings_data();
    void startUpReadsTheClientSettings();

    void catalogueLookup_data();
    void catalogueLookup();
    void catalogueStoresEachEntryWithoutComment_data();
    void catalogueStoresEachEntryWithoutComment();
    void catalogueStoresUpdateThreeTimes();
    void everyFormTextHasAPolishEntry_data();
    void everyFormTextHasAPolishEntry();

    void programShowsItsBoxInTheChosenLanguage_data();
    void programShowsItsBoxInTheChosenLanguage();

private:
    void catalogueTable();

    QList<StoredMessage> stored;
    QString storedFailure;
};

void tst_InterfaceLanguage::initTestCase()
{
    Q_INIT_RESOURCE(updater);
    QVERIFY(QFile::exists(embeddedCatalogue));
    stored = storedMessages(&storedFailure);
}

void tst_InterfaceLanguage::roamingFolder_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("found");

    QTest::newRow("empty environment") << QStringList() << QString() << false;
    QTest::newRow("plain entry") << QStringList { "PATH=/bin",
        "APPDATA=C:/Users/u/AppData/Roaming" }
                                 << "C:/Users/u/AppData/Roaming" << true;
    QTest::newRow("empty value") << QStringList { "APPDATA=" } << QString() << true;
    QTest::newRow("value holding '='") << QStringList { "APPDATA=a=b" } << "a=b" << true;
    QTest::newRow("mixed-case name")
        << QStringList { "AppData=C:/x", "appdata=C:/y" } << QString() << false;
    QTest::newRow("longer name") << QStringList { "APPDATAX=C:/x" } << QString() << false;
    QTest::newRow("name not at the start")
        << QStringList { "MYAPPDATA=C:/x" } << QString() << false;
    QTest::newRow("first of two wins")
        << QStringList { "APPDATA=C:/first", "APPDATA=C:/second" } << "C:/first" << true;
}

void tst_InterfaceLanguage::roamingFolder()
{
    QFETCH(QStringList, environment);
    QFETCH(QString, folder);
    QFETCH(bool, found);

    bool wasFound = !found;
    QCOMPARE(roamingAppDataFolder(environment, &wasFound), folder);
    QCOMPARE(wasFound, found);
    QCOMPARE(roamingAppDataFolder(environment), folder);
}

void tst_InterfaceLanguage::settingsPath_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("path");

    QTest::newRow("no APPDATA entry") << QStringList { "HOME=/home/u", "PATH=/bin" } << QString();
    QTest::newRow("APPDATA with empty value")
        << QStringList { "APPDATA=" } << QStringLiteral("/Veskora/settings/globals");
    QTest::newRow("AppData in mixed case") << QStringList { "AppData=C:/Users/u" } << QString();
    QTest::newRow("first of two entries wins")
        << QStringList { "X=1", "APPDATA=C:/Users/u/AppData/Roaming", "APPDATA=D:/other" }
        << QStringLiteral("C:/Users/u/AppData/Roaming/Veskora/settings/globals");
    QTest::newRow("trailing separator kept")
        << QStringList { "APPDATA=C:/r/" } << QStringLiteral("C:/r//Veskora/settings/globals");
}

void tst_InterfaceLanguage::settingsPath()
{
    QFETCH(QStringList, environment);
    QFETCH(QString, path);
    QCOMPARE(InterfaceLanguage::settingsPath(environment), path);
}

void tst_InterfaceLanguage::emptySettingsPathHoldsNoKeys()
{
    // The test runs in a folder of its own; even a "globals" file in it must not be read.
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("globals"), "[language]\nlabels=1\nselected=pl_PL\n"));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    auto restore = qScopeGuard([&] { QDir::setCurrent(previous); });

    const QSettings settings(
        InterfaceLanguage::settingsPath({ "PATH=/bin" }), QSettings::IniFormat);
    QVERIFY(settings.allKeys().isEmpty());
    QVERIFY(!settings.contains("language/labels"));
}

void tst_InterfaceLanguage::languageListFromFolder()
{
    QTemporaryDir dir;
    for (const char *name :
        { "vesk_de_DE.qm", "other_fr_FR.qm", "vesk_xx.qm.qm", "vesk_cs.ts", "myvesk_yy.qm" })
        QVERIFY(writeFile(dir.filePath(name), "x"));
    QVERIFY(QDir(dir.path()).mkdir("vesk_dir.qm"));

    QStringList languages = InterfaceLanguage::languageList(dir.path());
    QVERIFY(!languages.isEmpty());
    QCOMPARE(languages.takeFirst(), QStringLiteral("english"));
    // The folder's own order is kept, whatever it is.
    languages.sort();
    QCOMPARE(languages, QStringList({ "de_DE", "myyy", "xx" }));

    QCOMPARE(InterfaceLanguage::languageList(dir.filePath("missing")), QStringList { "english" });
}

void tst_InterfaceLanguage::languageListOfThisProgram()
{
    QCOMPARE(InterfaceLanguage::languageList(":/languages"), QStringList({ "english", "pl_PL" }));
}

void tst_InterfaceLanguage::defaultLanguage_data()
{
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");

    const QStringList shipped { "english", "pl_PL" };
    QTest::newRow("de_DE with Polish shipped") << shipped << "de_DE"
                                               << "pl_PL";
    QTest::newRow("pl_PL with Polish shipped") << shipped << "pl_PL"
                                               << "pl_PL";
    QTest::newRow("C locale with Polish shipped") << shipped << "C"
                                                  << "pl_PL";
    QTest::newRow("pl_pl in other case") << QStringList { "english", "pl_pl" } << "pl_pl"
                                         << "pl_pl";
    QTest::newRow("de_DE shipped") << QStringList { "english", "pl_PL", "de_DE" } << "de_DE"
                                   << "de_DE";
    QTest::newRow("de_DE, only English") << QStringList { "english" } << "de_DE"
                                         << "english";
    QTest::newRow("pl_PL, only English") << QStringList { "english" } << "pl_PL"
                                         << "english";
    QTest::newRow("pl only as a prefix") << QStringList { "english", "pl" } << "pl_PL"
                                         << "english";
}

void tst_InterfaceLanguage::defaultLanguage()
{
    QFETCH(QStringList, languages);
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    QCOMPARE(InterfaceLanguage::defaultLanguage(languages, locale), expected);
}

void tst_InterfaceLanguage::selection_data()
{
    QTest::addColumn<QByteArray>("settings"); // null: no settings file at all
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("diskCode"); // a catalogue beside the program for this code
    QTest::addColumn<QByteArray>("diskBytes"); // null: the disk fixture catalogue
    QTest::addColumn<QString>("path"); // "$APP" stands for the program's folder
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("text");

    const QString english = QStringLiteral("No updates available.");
    const QString embedded = QStringLiteral("Brak nowych aktualizacji.");
    const QString fromDisk = QStringLiteral("Nie ma nowych aktualizacji.");
    const QByteArray none;

    QTest::newRow("no settings file, locale pl_PL")
        << none << "pl_PL" << QString() << none << QString() << false << english;
    QTest::newRow("guard absent, selected pl_PL, locale pl_PL")
        << QByteArray("[language]\nselected=pl_PL\n") << "pl_PL" << QString() << none << QString()
        << false << english;
    QTest::newRow("guard empty, selected absent, locale de_DE")
        << QByteArray("[language]\nlabels=\n") << "de_DE" << QString() << none
        << ":/languages/vesk_pl_PL.qm" << true << embedded;
    QTest::newRow("guard only, locale de_DE, de_DE on disk")
        << QByteArray("[language]\nlabels=\n") << "de_DE"
        << "de_DE" << none << ":/languages/vesk_pl_PL.qm" << true << embedded;
    QTest::newRow("selected english")
        << QByteArray("[language]\nlabels=1\nselected=english\n") << "pl_PL" << QString() << none
        << QString() << false << english;
    QTest::newRow("selected English")
        << QByteArray("[language]\nlabels=1\nselected=English\n") << "pl_PL" << QString() << none
        << ":/languages/vesk_English.qm" << false << english;
    QTest::newRow("selected English, on disk")
        << QByteArray("[language]\nlabels=1\nselected=English\n") << "pl_PL"
        << "English" << none << "$APP/languages/vesk_English.qm" << true << fromDisk;
    QTest::newRow("selected pl_PL_x")
        << QByteArray("[language]\nlabels=1\nselected=pl_PL_x\n") << "de_DE" << QString() << none
        << ":/languages/vesk_pl_PL_x.qm" << true << embedded;
    QTest::newRow("selected pl_PL_x, pl_PL on disk")
        << QByteArray("[language]\nlabels=1\nselected=pl_PL_x\n") << "de_DE"
        << "pl_PL" << none << ":/languages/vesk_pl_PL_x.qm" << true << embedded;
    QTest::newRow("selected pl_PL, pl_PL on disk")
        << QByteArray("[language]\nlabels=1\nselected=pl_PL\n") << "de_DE"
        << "pl_PL" << none << "$APP/languages/vesk_pl_PL.qm" << true << fromDisk;
    QTest::newRow("selected pl_PL, disk file not a catalogue")
        << QByteArray("[language]\nlabels=1\nselected=pl_PL\n") << "de_DE"
        << "pl_PL" << QByteArray("not a catalogue") << "$APP/languages/vesk_pl_PL.qm" << false
        << english;
    QTest::newRow("selected de_DE, de_DE on disk")
        << QByteArray("[language]\nlabels=1\nselected=de_DE\n") << "pl_PL"
        << "de_DE" << none << "$APP/languages/vesk_de_DE.qm" << true << fromDisk;
    QTest::newRow("selected de_DE, nowhere")
        << QByteArray("[language]\nlabels=1\nselected=de_DE\n") << "pl_PL" << QString() << none
        << ":/languages/vesk_de_DE.qm" << false << english;
}

void tst_InterfaceLanguage::selection()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, locale);
    QFETCH(QString, diskCode);
    QFETCH(QByteArray, diskBytes);
    QFETCH(QString, path);
    QFETCH(bool, installed);
    QFETCH(QString, text);

    QTemporaryDir home;
    QTemporaryDir app;
    QVERIFY(home.isValid() && app.isValid());
    const QString settingsFile = home.filePath("Veskora/settings/globals");
    if (!settings.isNull())
        QVERIFY(writeFile(settingsFile, settings));
    if (!diskCode.isEmpty()) {
        const QString diskPath = app.filePath("languages/vesk_" + diskCode + ".qm");
        if (diskBytes.isNull()) {
            QDir().mkpath(app.filePath("languages"));
            QVERIFY(QFile::copy(QStringLiteral(VESK_DISK_CATALOGUE), diskPath));
        } else {
            QVERIFY(writeFile(diskPath, diskBytes));
        }
    }
    path.replace("$APP", app.path());

    const QSettings clientSettings(settingsFile, QSettings::IniFormat);
    const QString fallback = InterfaceLanguage::defaultLanguage(
        InterfaceLanguage::languageList(":/languages"), locale);
    QCOMPARE(InterfaceLanguage::cataloguePath(clientSettings, fallback, app.path()), path);

    QTranslator translator;
    auto uninstall = qScopeGuard([&] { QCoreApplication::removeTranslator(&translator); });
    QCOMPARE(noUpdatesText(), QStringLiteral("No updates available."));
    QCOMPARE(InterfaceLanguage::loadLanguage(clientSettings, fallback, app.path(), translator),
        installed);
    QCOMPARE(noUpdatesText(), text);
    QCOMPARE(translator.isEmpty(), !installed);
    // The step only reads the client's file.
    QCOMPARE(QFile::exists(settingsFile), !settings.isNull());
}

void tst_InterfaceLanguage::startUpReadsTheClientSettings_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("text");

    QTest::newRow("selected pl_PL")
        << QByteArray("[language]\nlabels=1\nselected=pl_PL\n") << "Brak nowych aktualizacji.";
    QTest::newRow("selected english")
        << QByteArray("[language]\nlabels=1\nselected=english\n") << "No updates available.";
}

// The object the entry function creates: the environment's APPDATA (the test's own folder)
// and the program's folder, put together.
void tst_InterfaceLanguage::startUpReadsTheClientSettings()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, text);

    const QString appData = qEnvironmentVariable("APPDATA");
    QVERIFY2(appData.contains("testhomes"), "APPDATA must be the test's own folder");
    const QString settingsFile = appData + "/Veskora/settings/globals";
    QVERIFY(writeFile(settingsFile, settings));
    auto removeFile = qScopeGuard([&] { QFile::remove(settingsFile); });

    QTranslator translator;
    auto uninstall = qScopeGuard([&] { QCoreApplication::removeTranslator(&translator); });
    {
        InterfaceLanguage language(translator);
        QCOMPARE(noUpdatesText(), text);
    }
    // The catalogue stays installed after the step; the translator belongs to the caller.
    QCOMPARE(noUpdatesText(), text);
}

void tst_InterfaceLanguage::catalogueTable()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("comment"); // the one the program looks the text up with
    QTest::addColumn<QString>("polish");

    struct Row
    {
        const char *context;
        const char *source;
        const char *comment;
        QString polish;
    };
    const QString nc = QStringLiteral("nc");
    const QList<Row> rows {
        { "Updater_Changelog_MainWindow", "Update", "", "Aktualizuj" },
        { "Updater_Changelog_MainWindow", "Veskora IM update", "",
            "Aktualizacja komunikatora Veskora" },
        { "Updater_Changelog_MainWindow",
            "Veskora instant messenger update is available. Do you wish to download it now?", "",
            "Są dostępne aktualizacje dla komunikatora Veskora. Czy chcesz pobrać je teraz?" },
        { "Updater_Changelog_MainWindow", "Show changelog", "", "Pokaż listę zmian" },
        { "Updater_Changelog_MainWindow", "Download now", "", "Pobierz teraz" },
        { "Updater_Changelog_MainWindow", "Download later", "", "Pobierz później" },
        { "Updater_Download_MainWindow", "Update", "", "Aktualizuj" },
        { "Updater_Download_MainWindow", "Veskora IM update", "",
            "Aktualizacja komunikatora Veskora" },
        { "Updater_Download_MainWindow", "Downloading...", "", "Pobieranie..." },
        { "Updater_Download_MainWindow", "Cancel", "", "Anuluj" },
        { "Updater_Install_MainWindow", "Update", "", "Aktualizuj" },
        { "Updater_Install_MainWindow", "Veskora IM update", "",
            "Aktualizacja komunikatora Veskora" },
        { "Updater_Install_MainWindow", "Installing...", "", "Instalacja..." },
        { "Updater_Summary_MainWindow", "Update", "", "Aktualizuj" },
        { "Updater_Summary_MainWindow", "Installation complete", "",
            "Aktualizacje zainstalowane pomyślnie" },
        { "Updater_Summary_MainWindow",
            "To complete the update process please restart Veskora instant messenger.", "",
            "By zakończyć proces instalacji należy uruchomić ponownie komunikator." },
        { "Updater_Summary_MainWindow", "View details", "", "Pokaż szczegóły" },
        { "Updater_Summary_MainWindow", "Close", "", "Zamknij" },
        { "translation", "Update", "", "Aktualizuj" },
        { "translation", "Update", "nc", "Aktualizuj" },
        { "translation", "Update", "program update", "Aktualizuj" },
        { "translation", "No updates available.", "nc", "Brak nowych aktualizacji." },
        { "translation", "Cannot run update!", "nc", "Nie można przeprowadzić aktualizacji!" },
        { "translation", "Check updates", "nc", "Sprawdź aktualizacje" },
        { "translation", "Couldn't connect to update server. Check your internet connection.", "nc",
            "Nie można nawiązać połączenie z serwerem aktualizacji. Sprawdź swoje połączenie "
            "internetowe." },
        { "translation",
            "An error occured while comunicating update server. Check your internet connection.",
            "nc",
            "Wystąpił błąd podczas komunikacji z serwerem aktualizacji. Sprawdź swoje połączenie "
            "internetowe." },
        { "translation", "Installing package %1:",
            "status information about currently installed package", "Zainstalowano pakiet %1:" },
        { "translation", "Failed installing package ", "nc", "Błąd podczas instalowania paczki " },
        { "translation", "Rollback update",
            "restoring application to state before installing update", "Cofanie akutalizacji" },
        { "translation",
            "An error occured while rolling back update progress. Software may not work properly. "
            "Try reinstalling whole application",
            "nc",
            "Wystąpił bład podczas cofania procesu aktualizacji. Oprogramowanie może nie działać "
            "poprawnie. Zalecamy ręczną instalację najnowszej wersji komunikatora Veskora ze "
            "strony "
                + webPage },
        { "translation", "Show changelog", "nc", "Pokaż listę zmian" },
        { "translation", "Hide changelog", "nc", "Ukryj listę zmian" },
        { "translation", "Installation failed", "nc", "Aktualizacja nie powiodła się" },
        { "translation", "Please reinstall application with package from official web page", "nc",
            "Prosze pobrać i zainstalować vesk ze strony " + webPage },
    };
    for (const Row &row : rows) {
        const QByteArray name = QByteArray(row.context) + ": " + row.source
            + (*row.comment ? QByteArray(" [") + row.comment + "]" : QByteArray());
        QTest::newRow(name.constData())
            << QString::fromUtf8(row.context) << QString::fromUtf8(row.source)
            << QString::fromUtf8(row.comment) << row.polish;
    }
}

void tst_InterfaceLanguage::catalogueLookup_data()
{
    catalogueTable();
    // The download error's title has no entry: it stays English under Polish.
    QTest::newRow("VeskDownloadDialog: Update") << "VeskDownloadDialog"
                                                << "Update" << QString() << "Update";
    // The updater's own error texts (download, package checks) read Polish too.
    const char *const ownTexts[][2] = {
        { "Download of %1 failed: %2", "Pobieranie %1 nie powiodło się: %2" },
        { "Request aborted", "Przerwano pobieranie" },
        { "only http and https links are supported",
            "obsługiwane są tylko odnośniki http i https" },
        { "the link names no valid server and port",
            "odnośnik nie wskazuje poprawnego serwera i portu" },
        { "the destination is not open for writing", "plik docelowy nie jest otwarty do zapisu" },
        { "no data arrived for %1 seconds", "przez %1 s nie nadeszły żadne dane" },
        { "the server answered %1 %2", "serwer odpowiedział: %1 %2" },
        { "The link %1 names a file outside the download folder.",
            "Odnośnik %1 wskazuje plik poza folderem pobierania." },
        { "The package type \"%1\" has no installation folder.",
            "Pakiet typu \"%1\" nie ma folderu instalacji." },
        { "The package holds an entry with an unsafe name: %1",
            "Pakiet zawiera plik o niebezpiecznej nazwie: %1" },
        { "Could not write the file %1.", "Nie można zapisać pliku %1." },
        { "The package entry %1 is damaged: its data does not match its checksum.",
            "Plik %1 w pakiecie jest uszkodzony: jego dane nie zgadzają się z sumą kontrolną." },
        { "The package manifest %1 is missing or cannot be read: %2",
            "Brak opisu pakietu %1 albo nie można go odczytać: %2" },
        { "The package manifest %1 is not well-formed: %2 (line %3)",
            "Opis pakietu %1 jest niepoprawny: %2 (wiersz %3)" },
        { "Could not back up the file %1: %2", "Nie można wykonać kopii zapasowej pliku %1: %2" },
    };
    for (const auto &own : ownTexts) {
        QTest::newRow(QByteArray("own: ") + own[0])
            << "translation" << QString::fromUtf8(own[0]) << "nc" << QString::fromUtf8(own[1]);
    }
}

void tst_InterfaceLanguage::catalogueLookup()
{
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, comment);
    QFETCH(QString, polish);

    QTranslator translator;
    QVERIFY(translator.load(embeddedCatalogue));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    auto uninstall = qScopeGuard([&] { QCoreApplication::removeTranslator(&translator); });

    const QByteArray ctx = context.toUtf8();
    const QByteArray src = source.toUtf8();
    const QByteArray cmt = comment.toUtf8();
    QCOMPARE(QCoreApplication::translate(
                 ctx.constData(), src.constData(), comment.isEmpty() ? nullptr : cmt.constData()),
        polish);
}

void tst_InterfaceLanguage::catalogueStoresEachEntryWithoutComment_data()
{
    catalogueTable();
}

void tst_InterfaceLanguage::catalogueStoresEachEntryWithoutComment()
{
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, polish);

    QVERIFY2(storedFailure.isEmpty(), qPrintable(storedFailure));
    int matches = 0;
    for (const StoredMessage &m : stored) {
        if (m.context == context && m.source == source && m.comment.isEmpty()) {
            ++matches;
            QCOMPARE(m.translation, polish);
        }
    }
    QCOMPARE(matches, 1);
}

void tst_InterfaceLanguage::catalogueStoresUpdateThreeTimes()
{
    QVERIFY2(storedFailure.isEmpty(), qPrintable(storedFailure));
    QStringList comments;
    for (const StoredMessage &m : stored) {
        if (m.context == u"translation" && m.source == u"Update") {
            comments.append(m.comment);
            QCOMPARE(m.translation, QStringLiteral("Aktualizuj"));
        }
    }
    comments.sort();
    QCOMPARE(comments, QStringList({ "", "nc", "program update" }));
}

void tst_InterfaceLanguage::everyFormTextHasAPolishEntry_data()
{
    QTest::addColumn<QString>("form");
    for (const char *form : { "Changelog", "Download", "Install", "Summary" })
        QTest::newRow(form) << QStringLiteral(":/res/%1.ui").arg(QLatin1String(form));
}

// The form loader looks each text up in the form's class context; a form text that drifts
// from the catalogue's source text would quietly stay English.
void tst_InterfaceLanguage::everyFormTextHasAPolishEntry()
{
    QFETCH(QString, form);

    QFile file(form);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QString formClass;
    QStringList texts;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"class" && formClass.isEmpty()) {
            formClass = xml.readElementText();
        } else if (xml.name() == u"string"
            && xml.attributes().value(QLatin1String("notr")) != u"true") {
            const QString text = xml.readElementText();
            if (!text.isEmpty())
                texts.append(text);
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(formClass.startsWith("Updater_"));
    QVERIFY(!texts.isEmpty());

    QTranslator translator;
    QVERIFY(translator.load(embeddedCatalogue));
    for (const QString &text : std::as_const(texts)) {
        const QByteArray source = text.toUtf8();
        const QString polish
            = translator.translate(formClass.toUtf8().constData(), source.constData());
        QVERIFY2(!polish.isEmpty(), qPrintable(formClass + ": " + text));
    }
}

void tst_InterfaceLanguage::programShowsItsBoxInTheChosenLanguage_data()
{
    QTest::addColumn<QByteArray>("settings"); // null: no settings file
    QTest::addColumn<bool>("diskCatalogue"); // a pl_PL catalogue beside the program
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    QTest::newRow("selected pl_PL")
        << QByteArray("[language]\nlabels=1\nselected=pl_PL\n") << false << "Aktualizuj"
        << "Brak nowych aktualizacji.";
    QTest::newRow("selected pl_PL, catalogue beside the program")
        << QByteArray("[language]\nlabels=1\nselected=pl_PL\n") << true << "Update"
        << "Nie ma nowych aktualizacji.";
    QTest::newRow("no settings file") << QByteArray() << false << "Update"
                                      << "No updates available.";
}

// The real program, started as a worker that finds no updates, with the client's settings
// in its own APPDATA.
void tst_InterfaceLanguage::programShowsItsBoxInTheChosenLanguage()
{
    QFETCH(QByteArray, settings);
    QFETCH(bool, diskCatalogue);
    QFETCH(QString, title);
    QFETCH(QString, text);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath("install");
    const QString program = folder + "/updater";
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::copy(QStringLiteral(VESK_UPDATER_BINARY), program));
    QVERIFY(
        QFile::copy(QCoreApplication::applicationDirPath() + "/vesk7.exe", folder + "/vesk7.exe"));
    if (diskCatalogue) {
        QVERIFY(QDir().mkpath(folder + "/languages"));
        QVERIFY(
            QFile::copy(QStringLiteral(VESK_DISK_CATALOGUE), folder + "/languages/vesk_pl_PL.qm"));
    }
    const QString appData = dir.filePath("appdata");
    QVERIFY(QDir().mkpath(appData));
    if (!settings.isNull())
        QVERIFY(writeFile(appData + "/Veskora/settings/globals", settings));
    QVERIFY(writeFile(dir.filePath("client-output"),
        "<s><update><component name='core' version='7' /></update></s>"));

    FakeUpdateServer server;
    server.setAnswer("<response><request name='core'><latest/></request></response>");
    BoxProbe probe(dir.filePath("probe.log"));
    QProcessEnvironment environment = probe.environment();
    environment.insert("APPDATA", appData);
    environment.insert("VESK_UPDATE_SERVER", server.address());
    environment.insert("VESK_FAKE_CLIENT_OUTPUT", dir.filePath("client-output"));

    QProcess updater;
    updater.setProcessEnvironment(environment);
    updater.setProcessChannelMode(QProcess::ForwardedChannels);
    updater.start(program, { "-u" });
    const bool finished = updater.waitForFinished(60000);
    if (!finished) {
        updater.kill();
        updater.waitForFinished(5000);
    }
    QVERIFY(finished);
    QCOMPARE(updater.exitStatus(), QProcess::NormalExit);
    QCOMPARE(updater.exitCode(), 0);

    const QList<SeenMessageBox> boxes = probe.boxes();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().icon, QMessageBox::Information);
    QCOMPARE(boxes.first().title, title);
    QCOMPARE(boxes.first().text, text);
}

QTEST_MAIN(tst_InterfaceLanguage)
#include "tst_interfacelanguage.moc"
