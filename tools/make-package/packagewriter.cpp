#include "packagewriter.h"

#include "zipwriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QXmlStreamWriter>

bool PackageWriter::namesForLink(
    const QString &link, QString *archiveName, QString *manifestName, QString *error)
{
    const QUrl url(link, QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != u"http" && url.scheme() != u"https")
        || url.host().isEmpty()) {
        *error = QStringLiteral("%1: not an http or https address").arg(link);
        return false;
    }
    const QString path = url.path();
    // The updater saves the archive in its staging folder under the link's path without
    // making folders, and names the manifest by dropping the path's last four characters.
    if (path.lastIndexOf(u'/') != 0) {
        *error = QStringLiteral("%1: the archive must lie at the server's root (\"/name.zip\"); "
                                "the updater makes no folders for it")
                     .arg(link);
        return false;
    }
    if (path.size() < 6 || path.at(path.size() - 4) != u'.') {
        *error = QStringLiteral("%1: the path must end in a four-character extension such as "
                                "\".zip\"")
                     .arg(link);
        return false;
    }
    *archiveName = path.mid(1);
    *manifestName = path.mid(1, path.size() - 5) + QStringLiteral(".xml");
    const QString problem = PackagePlan::checkRelativePath(*manifestName);
    if (!problem.isEmpty()) {
        *error = problem;
        return false;
    }
    return true;
}

QByteArray PackageWriter::manifest(const CatalogueEntry &entry, const PackagePlan &plan)
{
    QByteArray document;
    QXmlStreamWriter xml(&document);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("package"));
    xml.writeAttribute(QStringLiteral("project"), entry.project);
    xml.writeAttribute(QStringLiteral("name"), entry.name);
    xml.writeAttribute(QStringLiteral("type"), entry.type);
    for (const PlannedFile &file : plan.files()) {
        const qsizetype slash = file.relativePath.lastIndexOf(u'/');
        xml.writeEmptyElement(QStringLiteral("file"));
        xml.writeAttribute(
            QStringLiteral("path"), slash < 0 ? QString() : file.relativePath.left(slash));
        xml.writeAttribute(QStringLiteral("name"), file.relativePath.mid(slash + 1));
        xml.writeAttribute(QStringLiteral("action"), file.action);
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return document;
}

bool PackageWriter::write(const CatalogueEntry &entry, const PackagePlan &plan,
    const QString &outputFolder, QString *archivePath, QString *error)
{
    QString archiveName;
    QString manifestName;
    if (!namesForLink(entry.link, &archiveName, &manifestName, error))
        return false;
    for (const PlannedFile &file : plan.files()) {
        if (file.relativePath == manifestName) {
            *error = QStringLiteral("%1: a file of the package has the manifest's name")
                         .arg(manifestName);
            return false;
        }
    }
    QDir().mkpath(outputFolder);
    *archivePath = QDir(outputFolder).filePath(archiveName);

    bool ok = true;
    {
        ZipWriter zip(*archivePath);
        QByteArray manifestBytes = manifest(entry, plan);
        QBuffer manifestDevice(&manifestBytes);
        manifestDevice.open(QIODevice::ReadOnly);
        ok = zip.addEntry(
            manifestName.toLatin1(), &manifestDevice, QDateTime::currentDateTime(), error);
        for (const PlannedFile &file : plan.files()) {
            if (!ok || file.action != u"add")
                continue;
            QFile source(file.source);
            if (!source.open(QIODevice::ReadOnly)) {
                *error = QStringLiteral("%1: %2").arg(file.source, source.errorString());
                ok = false;
                break;
            }
            ok = zip.addEntry(
                file.relativePath.toLatin1(), &source, QFileInfo(source).lastModified(), error);
        }
        if (ok)
            ok = zip.close(error);
    }
    if (!ok)
        QFile::remove(*archivePath);
    return ok;
}
