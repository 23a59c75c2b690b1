#ifndef INTERFACELANGUAGE_H
#define INTERFACELANGUAGE_H

#include <QSettings>
#include <QString>
#include <QStringList>

class QTranslator;

// Finds the client's settings, chooses the interface language and installs its catalogue
// into the given translator. The settings stay open for the object's lifetime. Nothing here
// shows a message or stops the program: any failure just leaves the English texts.
class InterfaceLanguage
{
public:
    explicit InterfaceLanguage(QTranslator &translator);
    ~InterfaceLanguage();

    // The client's settings file for an environment of "name=value" texts; empty without APPDATA.
    static QString settingsPath(const QStringList &environment);
    // "english", then the codes of the "vesk_<code>.qm" catalogues in the folder, as listed.
    static QStringList languageList(const QString &catalogueFolder);
    // The system locale when there is a catalogue for it, else Polish, else English.
    static QString defaultLanguage(const QStringList &languages, const QString &localeName);
    // The catalogue the settings ask for: beside the program when present there, else the
    // embedded one. Empty when the client never chose a language or chose English.
    static QString cataloguePath(
        const QSettings &settings, const QString &defaultLanguage, const QString &applicationDir);
    // Loads the chosen catalogue into the translator and installs it when that worked.
    // Returns whether it was installed.
    static bool loadLanguage(const QSettings &settings, const QString &defaultLanguage,
        const QString &applicationDir, QTranslator &translator);

private:
    Q_DISABLE_COPY(InterfaceLanguage)

    QSettings clientSettings;
};

#endif
