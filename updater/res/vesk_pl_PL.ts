<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl_PL">
<context>
    <name>Updater_Changelog_MainWindow</name>
    <message>
        <source>Update</source>
        <translation>Aktualizuj</translation>
    </message>
    <message>
        <source>Veskora IM update</source>
        <translation>Aktualizacja komunikatora Veskora</translation>
    </message>
    <message>
        <source>Veskora instant messenger update is available. Do you wish to download it now?</source>
        <translation>Są dostępne aktualizacje dla komunikatora Veskora. Czy chcesz pobrać je teraz?</translation>
    </message>
    <message>
        <source>Show changelog</source>
        <translation>Pokaż listę zmian</translation>
    </message>
    <message>
        <source>Download now</source>
        <translation>Pobierz teraz</translation>
    </message>
    <message>
        <source>Download later</source>
        <translation>Pobierz później</translation>
    </message>
</context>
<context>
    <name>Updater_Download_MainWindow</name>
    <message>
        <source>Update</source>
        <translation>Aktualizuj</translation>
    </message>
    <message>
        <source>Veskora IM update</source>
        <translation>Aktualizacja komunikatora Veskora</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Pobieranie...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Anuluj</translation>
    </message>
</context>
<context>
    <name>Updater_Install_MainWindow</name>
    <message>
        <source>Update</source>
        <translation>Aktualizuj</translation>
    </message>
    <message>
        <source>Veskora IM update</source>
        <translation>Aktualizacja komunikatora Veskora</translation>
    </message>
    <message>
        <source>Installing...</source>
        <translation>Instalacja...</translation>
    </message>
</context>
<context>
    <name>Updater_Summary_MainWindow</name>
    <message>
        <source>Update</source>
        <translation>Aktualizuj</translation>
    </message>
    <message>
        <source>Installation complete</source>
        <translation>Aktualizacje zainstalowane pomyślnie</translation>
    </message>
    <message>
        <source>To complete the update process please restart Veskora instant messenger.</source>
        <translation>By zakończyć proces instalacji należy uruchomić ponownie komunikator.</translation>
    </message>
    <message>
        <source>View details</source>
        <translation>Pokaż szczegóły</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Zamknij</translation>
    </message>
</context>
<context>
    <name>translation</name>
    <message>
        <source>Update</source>
        <translation>Aktualizuj</translation>
    </message>
    <message>
        <source>Update</source>
        <comment>nc</comment>
        <translation>Aktualizuj</translation>
    </message>
    <message>
        <source>Update</source>
        <comment>program update</comment>
        <translation>Aktualizuj</translation>
    </message>
    <message>
        <source>No updates available.</source>
        <translation>Brak nowych aktualizacji.</translation>
    </message>
    <message>
        <source>Cannot run update!</source>
        <translation>Nie można przeprowadzić aktualizacji!</translation>
    </message>
    <message>
        <source>Check updates</source>
        <translation>Sprawdź aktualizacje</translation>
    </message>
    <message>
        <source>Couldn't connect to update server. Check your internet connection.</source>
        <translation>Nie można nawiązać połączenie z serwerem aktualizacji. Sprawdź swoje połączenie internetowe.</translation>
    </message>
    <message>
        <source>An error occured while comunicating update server. Check your internet connection.</source>
        <translation>Wystąpił błąd podczas komunikacji z serwerem aktualizacji. Sprawdź swoje połączenie internetowe.</translation>
    </message>
    <message>
        <source>Installing package %1:</source>
        <translation>Zainstalowano pakiet %1:</translation>
    </message>
    <message>
        <source>Failed installing package </source>
        <translation>Błąd podczas instalowania paczki </translation>
    </message>
    <message>
        <source>Rollback update</source>
        <translation>Cofanie akutalizacji</translation>
    </message>
    <message>
        <source>An error occured while rolling back update progress. Software may not work properly. Try reinstalling whole application</source>
        <translation>Wystąpił bład podczas cofania procesu aktualizacji. Oprogramowanie może nie działać poprawnie. Zalecamy ręczną instalację najnowszej wersji komunikatora Veskora ze strony http://www.veskora.pl</translation>
    </message>
    <message>
        <source>Show changelog</source>
        <translation>Pokaż listę zmian</translation>
    </message>
    <message>
        <source>Hide changelog</source>
        <translation>Ukryj listę zmian</translation>
    </message>
    <message>
        <source>Installation failed</source>
        <translation>Aktualizacja nie powiodła się</translation>
    </message>
    <message>
        <source>Please reinstall application with package from official web page</source>
        <translation>Prosze pobrać i zainstalować vesk ze strony http://www.veskora.pl</translation>
    </message>
</context>
</TS>
