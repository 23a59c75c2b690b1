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
    <!-- The updater's own error texts, beyond the client's catalogue. -->
    <message>
        <source>Download of %1 failed: %2</source>
        <translation>Pobieranie %1 nie powiodło się: %2</translation>
    </message>
    <message>
        <source>Request aborted</source>
        <translation>Przerwano pobieranie</translation>
    </message>
    <message>
        <source>only http and https links are supported</source>
        <translation>obsługiwane są tylko odnośniki http i https</translation>
    </message>
    <message>
        <source>the link names no valid server and port</source>
        <translation>odnośnik nie wskazuje poprawnego serwera i portu</translation>
    </message>
    <message>
        <source>the destination is not open for writing</source>
        <translation>plik docelowy nie jest otwarty do zapisu</translation>
    </message>
    <message>
        <source>no data arrived for %1 seconds</source>
        <translation>przez %1 s nie nadeszły żadne dane</translation>
    </message>
    <message>
        <source>the server answered %1 %2</source>
        <translation>serwer odpowiedział: %1 %2</translation>
    </message>
    <message>
        <source>The link %1 names a file outside the download folder.</source>
        <translation>Odnośnik %1 wskazuje plik poza folderem pobierania.</translation>
    </message>
    <message>
        <source>The package type &quot;%1&quot; has no installation folder.</source>
        <translation>Pakiet typu &quot;%1&quot; nie ma folderu instalacji.</translation>
    </message>
    <message>
        <source>The package holds an entry with an unsafe name: %1</source>
        <translation>Pakiet zawiera plik o niebezpiecznej nazwie: %1</translation>
    </message>
    <message>
        <source>Could not write the file %1.</source>
        <translation>Nie można zapisać pliku %1.</translation>
    </message>
    <message>
        <source>The package entry %1 is damaged: its data does not match its checksum.</source>
        <translation>Plik %1 w pakiecie jest uszkodzony: jego dane nie zgadzają się z sumą kontrolną.</translation>
    </message>
    <message>
        <source>The package manifest %1 is missing or cannot be read: %2</source>
        <translation>Brak opisu pakietu %1 albo nie można go odczytać: %2</translation>
    </message>
    <message>
        <source>The package manifest %1 is not well-formed: %2 (line %3)</source>
        <translation>Opis pakietu %1 jest niepoprawny: %2 (wiersz %3)</translation>
    </message>
    <message>
        <source>Could not back up the file %1: %2</source>
        <translation>Nie można wykonać kopii zapasowej pliku %1: %2</translation>
    </message>
</context>
</TS>
