#include "interfacelanguage.h"

#include "roamingappdata.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QTranslator>

namespace {

const QString englishCode = QStringLiteral("english");
const QString polishCode = QStringLiteral("pl_PL");
const QString cataloguePrefix = QStringLiteral("vesk_");
const QString catalogueSuffix = QStringLiteral(".qm");

} // namespace

InterfaceLanguage::InterfaceLanguage(QTranslator &translator)
    : clientSettings(settingsPath(QProcess::systemEnvironment()), QSettings::IniFormat)
{
    const QString fallback
        = defaultLanguage(languageList(QStringLiteral(":/languages")), QLocale::system().name());
    loadLanguage(clientSettings, fallback, QCoreApplication::applicationDirPath(), translator);
}

InterfaceLanguage::~InterfaceLanguage() = default;

QString InterfaceLanguage::settingsPath(const QStringList &environment)
{
    bool found = false;
    const QString folder = roamingAppDataFolder(environment, &found);
    if (!found)
        return QString();
    return folder + QStringLiteral("/Veskora/settings/globals");
}

QStringList InterfaceLanguage::languageList(const QString &catalogueFolder)
{
    QStringList languages { englishCode };
    const QStringList names
        = QDir(catalogueFolder).entryList({ QStringLiteral("*.qm") }, QDir::Files, QDir::NoSort);
    for (QString name : names) {
        if (!name.contains(cataloguePrefix))
            continue;
        name.remove(cataloguePrefix);
        name.remove(catalogueSuffix);
        languages.append(name);
    }
    return languages;
}

QString InterfaceLanguage::defaultLanguage(const QStringList &languages, const QString &localeName)
{
    QString language = localeName;
    if (!languages.contains(language))
        language = polishCode;
    if (!languages.contains(language))
        language = englishCode;
    return language;
}

QString InterfaceLanguage::cataloguePath(
    const QSettings &settings, const QString &defaultLanguage, const QString &applicationDir)
{
    // The client writes "labels" once the user has been through its language choice; before
    // that the updater keeps to English whatever the system locale says.
    if (!settings.contains(QStringLiteral("language/labels")))
        return QString();
    const QString code
        = settings.value(QStringLiteral("language/selected"), defaultLanguage).toString();
    if (code == englishCode)
        return QString();

    const QString name = QStringLiteral("languages/") + cataloguePrefix + code + catalogueSuffix;
    const QString diskPath = applicationDir + QLatin1Char('/') + name;
    if (QFile::exists(diskPath))
        return diskPath;
    return QStringLiteral(":/") + name;
}

bool InterfaceLanguage::loadLanguage(const QSettings &settings, const QString &defaultLanguage,
    const QString &applicationDir, QTranslator &translator)
{
    const QString path = cataloguePath(settings, defaultLanguage, applicationDir);
    if (path.isEmpty())
        return false;
    // The path alone: the translator's own search then cuts an unknown code back at "_" and
    // ".", so "pl_PL_x" still finds the Polish catalogue.
    if (!translator.load(path))
        return false;
    return QCoreApplication::installTranslator(&translator);
}
