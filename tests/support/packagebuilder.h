#ifndef PACKAGEBUILDER_H
#define PACKAGEBUILDER_H

#include <QByteArray>
#include <QList>
#include <QString>

class UpdateRecord;

// One `file` element of a manifest. A null QString leaves the attribute out; an empty one
// writes it with an empty value.
struct ManifestFile
{
    QString path;
    QString name;
    QString action;
};

// The `package` element of a manifest. Null attributes are left out; `present` = false
// leaves the whole element out (the `file` elements then stand under a `manifest` root).
struct ManifestPackage
{
    QString project;
    QString name;
    QString type;
    bool present = true;
};

// A manifest document: the package element as root, the file elements inside it, UTF-8
// with an XML declaration. Attribute values are escaped.
QByteArray manifestXml(const ManifestPackage &package, const QList<ManifestFile> &files);

// The same with the package element naming the record's project, name and type.
QByteArray manifestXml(const UpdateRecord &record, const QList<ManifestFile> &files);

// Builds ZIP archives for tests through minizip's zip interface, broken ones included.
//
//   PackageBuilder b;
//   b.addFolder("sounds/").addFile("sounds/message.wav", bytes, PackageBuilder::Stored);
//   b.writePackage(stagingDir, *record, manifestXml(*record, {{"sounds", "message.wav", "add"}}));
//
// Entry names are raw bytes written unchanged ("../x", "a\\..\\x", 300-byte names all work).
// Entries are written in the order they were added, which is also the central-directory
// order. The add functions return the builder so calls can be chained.
class PackageBuilder
{
public:
    enum Method { Stored = 0, Deflated = 8 };

    // A file entry holding `data`, stored or deflated.
    PackageBuilder &addFile(
        const QByteArray &name, const QByteArray &data, Method method = Deflated);
    // A folder entry; a "/" is appended to the name when it does not end in one.
    PackageBuilder &addFolder(const QByteArray &name);
    // A file entry whose recorded CRC-32 does not match its data; everything else about it
    // is valid, so it unpacks fully and only the checksum betrays it.
    PackageBuilder &addBadCrcFile(
        const QByteArray &name, const QByteArray &data, Method method = Deflated);
    // A file entry whose local and central headers name compression method `method`
    // (e.g. 12 bzip2, 14 LZMA) over stored bytes.
    PackageBuilder &addUnsupportedMethodFile(
        const QByteArray &name, const QByteArray &data, int method = 14);
    // A deflated file entry whose compressed stream starts with an invalid block while
    // sizes and CRC describe the original data: reading it reports an error.
    PackageBuilder &addDamagedDeflatedFile(const QByteArray &name, const QByteArray &data);

    int entryCount() const { return int(entries.size()); }

    // Writes the archive to `path` (its folder must exist; the path may hold any
    // characters). Returns false and fills `errorText` when minizip or the file fails.
    bool write(const QString &path, QString *errorText = nullptr) const;

    // Writes the archive, with `manifest` added as the entry named after the archive
    // (manifestEntryName), at archivePath(stagingDir, record). Creates the folders on the
    // way. A null `manifest` adds no manifest entry. The manifest is added after the
    // entries already in the builder; the builder itself is not changed.
    bool writePackage(const QString &stagingDir, const UpdateRecord &record,
        const QByteArray &manifest, QString *errorText = nullptr) const;

    // Where the installer looks for the record's archive: stagingDir + "/" + link path.
    static QString archivePath(const QString &stagingDir, const UpdateRecord &record);
    // The manifest entry's name: the link path without its leading "/" and its last four
    // characters, followed by ".xml" ("/sounds.zip" -> "sounds.xml").
    static QByteArray manifestEntryName(const UpdateRecord &record);

    // Broken files: cut an existing file to `size` bytes; write bytes that are not a ZIP.
    static bool truncateFile(const QString &path, qint64 size);
    static bool writeNotZip(const QString &path);

private:
    enum class Fault { None, BadCrc, UnsupportedMethod, DamagedData };
    struct Entry
    {
        QByteArray name;
        QByteArray data;
        int method;
        Fault fault;
    };

    PackageBuilder &add(const QByteArray &name, const QByteArray &data, int method, Fault fault);

    QList<Entry> entries;
};

#endif
