#include "packagebuilder.h"

#include "engine/updaterecord.h"
#include "install/qfilezipio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QXmlStreamWriter>

#include <zip.h>
#include <zlib.h>

namespace {

QByteArray rawDeflate(const QByteArray &data)
{
    z_stream s = {};
    deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&s, uLong(data.size()))), Qt::Uninitialized);
    s.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    s.avail_in = uInt(data.size());
    s.next_out = reinterpret_cast<Bytef *>(out.data());
    s.avail_out = uInt(out.size());
    deflate(&s, Z_FINISH);
    out.resize(int(s.total_out));
    deflateEnd(&s);
    return out;
}

quint32 crcOf(const QByteArray &data)
{
    return quint32(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(data.constData()),
        uInt(data.size())));
}

quint16 le16(const QByteArray &b, qint64 at)
{
    return quint16(uchar(b[at]) | uchar(b[at + 1]) << 8);
}

quint32 le32(const QByteArray &b, qint64 at)
{
    return quint32(le16(b, at)) | quint32(le16(b, at + 2)) << 16;
}

void setLe16(QByteArray &b, qint64 at, quint16 v)
{
    b[at] = char(v & 0xff);
    b[at + 1] = char(v >> 8);
}

// Rewrites the compression method of the named entries in both their central and local
// headers, which minizip's writer would refuse to produce.
bool patchMethods(const QString &path, const QList<QPair<QByteArray, int>> &patches)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray b = file.readAll();
    qint64 eocd = b.lastIndexOf(QByteArray::fromHex("504b0506"));
    if (eocd < 0)
        return false;
    const int count = le16(b, eocd + 10);
    qint64 at = le32(b, eocd + 16);
    for (int i = 0; i < count; ++i) {
        if (le32(b, at) != 0x02014b50)
            return false;
        const int nameLength = le16(b, at + 28);
        const QByteArray name = b.mid(at + 46, nameLength);
        for (const auto &patch : patches) {
            if (patch.first == name) {
                setLe16(b, at + 10, quint16(patch.second));
                setLe16(b, le32(b, at + 42) + 8, quint16(patch.second));
            }
        }
        at += 46 + nameLength + le16(b, at + 30) + le16(b, at + 32);
    }
    file.seek(0);
    return file.write(b) == b.size() && file.flush();
}

} // namespace

QByteArray manifestXml(const ManifestPackage &package, const QList<ManifestFile> &files)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(package.present ? QStringLiteral("package") : QStringLiteral("manifest"));
    if (package.present) {
        if (!package.project.isNull())
            w.writeAttribute(QStringLiteral("project"), package.project);
        if (!package.name.isNull())
            w.writeAttribute(QStringLiteral("name"), package.name);
        if (!package.type.isNull())
            w.writeAttribute(QStringLiteral("type"), package.type);
    }
    for (const ManifestFile &f : files) {
        w.writeEmptyElement(QStringLiteral("file"));
        if (!f.path.isNull())
            w.writeAttribute(QStringLiteral("path"), f.path);
        if (!f.name.isNull())
            w.writeAttribute(QStringLiteral("name"), f.name);
        if (!f.action.isNull())
            w.writeAttribute(QStringLiteral("action"), f.action);
    }
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

QByteArray manifestXml(const UpdateRecord &record, const QList<ManifestFile> &files)
{
    ManifestPackage package;
    package.project = QString::fromStdString(record.project());
    package.name = QString::fromStdString(record.name());
    package.type = QString::fromStdString(record.type());
    return manifestXml(package, files);
}

PackageBuilder &PackageBuilder::add(
    const QByteArray &name, const QByteArray &data, int method, Fault fault)
{
    entries.append(Entry { name, data, method, fault });
    return *this;
}

PackageBuilder &PackageBuilder::addFile(
    const QByteArray &name, const QByteArray &data, Method method)
{
    return add(name, data, method, Fault::None);
}

PackageBuilder &PackageBuilder::addFolder(const QByteArray &name)
{
    return add(name.endsWith('/') ? name : name + '/', QByteArray(), Stored, Fault::None);
}

PackageBuilder &PackageBuilder::addBadCrcFile(
    const QByteArray &name, const QByteArray &data, Method method)
{
    return add(name, data, method, Fault::BadCrc);
}

PackageBuilder &PackageBuilder::addUnsupportedMethodFile(
    const QByteArray &name, const QByteArray &data, int method)
{
    return add(name, data, method, Fault::UnsupportedMethod);
}

PackageBuilder &PackageBuilder::addDamagedDeflatedFile(
    const QByteArray &name, const QByteArray &data)
{
    return add(name, data, Deflated, Fault::DamagedData);
}

bool PackageBuilder::write(const QString &path, QString *errorText) const
{
    auto fail = [errorText](const QString &text) {
        if (errorText)
            *errorText = text;
        return false;
    };

    zlib_filefunc64_def functions;
    fillQFileZipFunctions(&functions);
    zipFile zf = zipOpen2_64(&path, APPEND_STATUS_CREATE, nullptr, &functions);
    if (!zf)
        return fail(QStringLiteral("cannot create %1").arg(path));

    QList<QPair<QByteArray, int>> methodPatches;
    bool ok = true;
    for (const Entry &e : entries) {
        zip_fileinfo info = {};
        info.tmz_date.tm_year = 2020;
        info.tmz_date.tm_mday = 1;
        // Raw mode lets a fixture put any bytes and any checksum into the archive.
        const int method = e.fault == Fault::UnsupportedMethod ? int(Stored) : e.method;
        QByteArray payload = method == Deflated ? rawDeflate(e.data) : e.data;
        quint32 crc = crcOf(e.data);
        if (e.fault == Fault::BadCrc)
            crc ^= 0x5a5a5a5a;
        if (e.fault == Fault::DamagedData && !payload.isEmpty())
            payload[0] = char(0x07); // a final block of the reserved type 3: inflate refuses it
        if (e.fault == Fault::UnsupportedMethod)
            methodPatches.append({ e.name, e.method });

        if (zipOpenNewFileInZip2_64(zf, e.name.constData(), &info, nullptr, 0, nullptr, 0, nullptr,
                method, Z_DEFAULT_COMPRESSION, 1, 0)
                != ZIP_OK
            || (!payload.isEmpty()
                && zipWriteInFileInZip(zf, payload.constData(), unsigned(payload.size())) != ZIP_OK)
            || zipCloseFileInZipRaw64(zf, ZPOS64_T(e.data.size()), uLong(crc)) != ZIP_OK) {
            ok = false;
            break;
        }
    }
    if (zipClose(zf, nullptr) != ZIP_OK || !ok)
        return fail(QStringLiteral("cannot write %1").arg(path));
    if (!methodPatches.isEmpty() && !patchMethods(path, methodPatches))
        return fail(QStringLiteral("cannot patch %1").arg(path));
    return true;
}

bool PackageBuilder::writePackage(const QString &stagingDir, const UpdateRecord &record,
    const QByteArray &manifest, QString *errorText) const
{
    PackageBuilder withManifest = *this;
    if (!manifest.isNull())
        withManifest.addFile(manifestEntryName(record), manifest);
    const QString path = archivePath(stagingDir, record);
    QDir().mkpath(QFileInfo(path).absolutePath());
    return withManifest.write(path, errorText);
}

QString PackageBuilder::archivePath(const QString &stagingDir, const UpdateRecord &record)
{
    return stagingDir + QLatin1Char('/') + QUrl(QString::fromStdString(record.link())).path();
}

QByteArray PackageBuilder::manifestEntryName(const UpdateRecord &record)
{
    QString base = QUrl(QString::fromStdString(record.link())).path();
    base.chop(4);
    if (base.startsWith(QLatin1Char('/')))
        base.remove(0, 1);
    return (base + QStringLiteral(".xml")).toLatin1();
}

bool PackageBuilder::truncateFile(const QString &path, qint64 size)
{
    return QFile::resize(path, size);
}

bool PackageBuilder::writeNotZip(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray text("This is a plain text file, not an archive.\n");
    return file.write(text) == text.size();
}
