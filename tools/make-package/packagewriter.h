#ifndef PACKAGEWRITER_H
#define PACKAGEWRITER_H

#include "catalogueentry.h"
#include "packageplan.h"

#include <QByteArray>
#include <QString>

// Writes the package archive for a catalogue entry: the planned files as entries, and the
// manifest named after the link ("/client.zip" -> "client.xml" at the archive's root).
class PackageWriter
{
public:
    // The archive's file name and its manifest entry, from the entry's link; empty with an
    // error when the updater could not fetch or read a package at that link.
    static bool namesForLink(
        const QString &link, QString *archiveName, QString *manifestName, QString *error);
    static QByteArray manifest(const CatalogueEntry &entry, const PackagePlan &plan);

    // Writes outputFolder/<archive name>; on failure no archive is left behind.
    static bool write(const CatalogueEntry &entry, const PackagePlan &plan,
        const QString &outputFolder, QString *archivePath, QString *error);
};

#endif
