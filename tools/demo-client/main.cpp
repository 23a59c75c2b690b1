// The demo's messenger client. Started with "-updatequery" it prints its update request,
// built from "components.txt" beside it and from "component.txt" in every folder of the
// user's plug-in folder (lines "project name type version"; "-" for an empty field, "#"
// begins a comment). Started any other way it records the start in "started.log" beside it.
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace {

QString attribute(const char *name, const QString &value)
{
    return QStringLiteral("%1='%2' ").arg(QLatin1String(name), value);
}

// One component element per line, as the updater expects the client to write them:
// project, name and type only when not empty, the version always, values unescaped.
void appendComponents(const QString &path, QString *request)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(u'#'))
            continue;
        QStringList fields = line.split(u' ', Qt::SkipEmptyParts);
        if (fields.size() != 4)
            continue;
        for (QString &field : fields) {
            if (field == u"-")
                field.clear();
        }
        request->append(QStringLiteral("<component "));
        if (!fields.at(0).isEmpty())
            request->append(attribute("project", fields.at(0)));
        if (!fields.at(1).isEmpty())
            request->append(attribute("name", fields.at(1)));
        if (!fields.at(2).isEmpty())
            request->append(attribute("type", fields.at(2)));
        request->append(attribute("version", fields.at(3)));
        request->append(QStringLiteral("/>"));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString home = QCoreApplication::applicationDirPath();
    const QStringList args = app.arguments().mid(1);

    if (args.contains(QStringLiteral("-updatequery"))) {
        QString request = QStringLiteral("<s><update>");
        appendComponents(home + "/components.txt", &request);
        const QString plugins = qEnvironmentVariable("APPDATA") + "/Veskora/plugins";
        const QStringList folders
            = QDir(plugins).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &folder : folders)
            appendComponents(plugins + "/" + folder + "/component.txt", &request);
        request.append(QStringLiteral("</update></s>"));
        // The updater cuts the request out of everything the client prints.
        const QByteArray out = "Veskora demo client\n" + request.toUtf8() + "\n";
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        return 0;
    }

    QFile log(home + "/started.log");
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(QStringLiteral("%1 started with %2 argument(s)%3\n")
                      .arg(QDateTime::currentDateTimeUtc().toString(Qt::ISODate))
                      .arg(args.size())
                      .arg(args.isEmpty() ? QString() : ": " + args.join(u' '))
                      .toUtf8());
    QTextStream(stdout) << "Veskora demo client started\n";
    return 0;
}
