// Builds an update package and prints its catalogue entry for the update server.
//   make-package --files <folder> [--remove <list>] ...   every file of the folder is added
//   make-package --old <folder> --new <folder> ...        the difference between two versions
#include "packagewriter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTextStream>

namespace {

int fail(const QString &message)
{
    QTextStream(stderr) << "make-package: " << message << '\n';
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("make-package"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Builds an update package (ZIP archive with its manifest) and prints "
                       "the update server's catalogue entry for it."));
    parser.addHelpOption();
    const auto option = [&parser](const char *name, const char *help, const char *value = nullptr,
                            const QString &defaultValue = QString()) {
        QCommandLineOption o(QString::fromLatin1(name), QString::fromLatin1(help));
        if (value) {
            o.setValueName(QString::fromLatin1(value));
            o.setDefaultValue(defaultValue);
        }
        parser.addOption(o);
        return o;
    };
    const auto files = option("files", "folder whose files the package adds", "folder");
    const auto remove
        = option("remove", "file listing paths the package removes, one a line", "file");
    const auto oldFolder = option("old", "folder of the installed version", "folder");
    const auto newFolder = option("new", "folder of the new version", "folder");
    const auto output
        = option("output", "folder to write the archive into", "folder", QStringLiteral("."));
    const auto entryFile = option("entry", "also write the catalogue entry to this file", "file");
    const auto project = option("project", "project of the component", "text");
    const auto name = option("name", "name of the component", "text");
    const auto type = option("type", "\"app\" or \"plugin\"", "type", QStringLiteral("app"));
    const auto version = option("version", "version of the update", "version");
    const auto link = option("link", "address the archive will be served at", "url");
    const auto description = option("description", "what the update brings", "text");
    const auto copyrights = option("copyrights", "copyright text", "text");
    const auto author = option("author", "author", "text");
    const auto webpage = option("webpage", "web page", "url");
    const auto email = option("email", "contact address", "address");
    const auto changelog = option("changelog", "list of changes", "text");
    const auto changelogFile = option("changelog-file", "file holding the list of changes", "file");
    const auto critical = option("critical", "mark the update as critical");
    const auto timestamp = option("timestamp", "seconds since 1970 (default: now)", "seconds");
    parser.process(app);

    CatalogueEntry entry;
    entry.project = parser.value(project);
    entry.name = parser.value(name);
    entry.type = parser.value(type);
    entry.version = parser.value(version);
    entry.link = parser.value(link);
    entry.description = parser.value(description);
    entry.copyrights = parser.value(copyrights);
    entry.author = parser.value(author);
    entry.webpage = parser.value(webpage);
    entry.email = parser.value(email);
    entry.changelog = parser.value(changelog);
    entry.critical = parser.isSet(critical);
    if (entry.name.isEmpty() || entry.version.isEmpty() || entry.link.isEmpty())
        return fail(QStringLiteral("--name, --version and --link are required"));
    if (entry.type != u"app" && entry.type != u"plugin")
        return fail(QStringLiteral("--type must be \"app\" or \"plugin\""));
    if (parser.isSet(changelogFile)) {
        QFile file(parser.value(changelogFile));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return fail(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
        entry.changelog = QString::fromUtf8(file.readAll()).trimmed();
    }
    bool ok = true;
    entry.timestamp = parser.isSet(timestamp) ? parser.value(timestamp).toUInt(&ok, 10)
                                              : quint32(QDateTime::currentSecsSinceEpoch());
    if (!ok)
        return fail(QStringLiteral("--timestamp must be a number from 0 to 4294967295"));

    PackagePlan plan;
    QString error;
    const bool fromFolder = parser.isSet(files);
    const bool fromVersions = parser.isSet(oldFolder) || parser.isSet(newFolder);
    if (fromFolder == fromVersions
        || (fromVersions && !(parser.isSet(oldFolder) && parser.isSet(newFolder))))
        return fail(QStringLiteral("give either --files (and optionally --remove) or both --old "
                                   "and --new"));
    if (fromFolder) {
        QStringList removals;
        if (!plan.addFolder(parser.value(files), &error)
            || (parser.isSet(remove)
                && !PackagePlan::readList(parser.value(remove), &removals, &error))
            || !plan.addRemovals(removals, &error))
            return fail(error);
    } else if (parser.isSet(remove)) {
        return fail(QStringLiteral("--remove goes with --files; --old and --new find removals"));
    } else if (!plan.addDifference(parser.value(oldFolder), parser.value(newFolder), &error)) {
        return fail(error);
    }

    QString archivePath;
    if (!PackageWriter::write(entry, plan, parser.value(output), &archivePath, &error))
        return fail(error);

    const QByteArray text = entry.toText();
    if (parser.isSet(entryFile)) {
        QFile file(parser.value(entryFile));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(text) != text.size())
            return fail(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
    }
    QTextStream(stderr) << "make-package: wrote " << archivePath << " (" << plan.count("add")
                        << " to add, " << plan.count("remove") << " to remove)\n";
    QTextStream(stdout) << QString::fromUtf8(text);
    return 0;
}
