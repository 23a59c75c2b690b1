// The reference update server. Usage: update-server <address:port> <catalogue-folder>
// Prints "listening on <address>:<port>" once it accepts queries (port 0 picks a free one),
// then one line per query.
#include "queryserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QTextStream>

namespace {

bool parseEndpoint(const QString &text, QHostAddress *address, quint16 *port)
{
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0)
        return false;
    QString host = text.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const uint number = text.mid(colon + 1).toUInt(&ok, 10);
    if (!ok || number > 65535)
        return false;
    *port = quint16(number);
    if (host == u"localhost")
        *address = QHostAddress(QHostAddress::LocalHost);
    else if (host == u"*")
        *address = QHostAddress(QHostAddress::Any);
    else if (!address->setAddress(host))
        return false;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("update-server"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Answers the updater's update queries from a folder of catalogue "
                       "entries (*.component files)."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("address:port"),
        QStringLiteral("where to listen, e.g. 127.0.0.1:443; port 0 "
                       "picks a free port"));
    parser.addPositionalArgument(
        QStringLiteral("catalogue"), QStringLiteral("folder of *.component files"));
    const QCommandLineOption timeout(QStringLiteral("timeout-ms"),
        QStringLiteral("time a client has to send its request"), QStringLiteral("ms"),
        QStringLiteral("10000"));
    const QCommandLineOption maxBytes(QStringLiteral("max-request-bytes"),
        QStringLiteral("largest request accepted"), QStringLiteral("bytes"),
        QStringLiteral("65536"));
    parser.addOption(timeout);
    parser.addOption(maxBytes);
    parser.process(app);

    QTextStream err(stderr);
    QTextStream out(stdout);
    const QStringList args = parser.positionalArguments();
    QHostAddress address;
    quint16 port = 0;
    if (args.size() != 2 || !parseEndpoint(args.at(0), &address, &port)) {
        err << parser.helpText();
        return 2;
    }
    ConnectionLimits limits;
    bool ok = false;
    limits.timeoutMs = parser.value(timeout).toInt(&ok);
    if (!ok || limits.timeoutMs <= 0) {
        err << "update-server: --timeout-ms needs a positive number\n";
        return 2;
    }
    limits.maxRequestBytes = parser.value(maxBytes).toLongLong(&ok);
    if (!ok || limits.maxRequestBytes <= 0) {
        err << "update-server: --max-request-bytes needs a positive number\n";
        return 2;
    }

    QueryServer server(args.at(1), limits);
    for (const QString &problem : server.catalogue().problems())
        err << "update-server: left out " << problem << '\n';
    err.flush();
    if (server.catalogue().files().isEmpty() && !server.catalogue().problems().isEmpty())
        return 1;
    if (!server.listen(address, port)) {
        err << "update-server: cannot listen on " << args.at(0) << ": " << server.errorString()
            << '\n';
        return 1;
    }
    QObject::connect(&server, &QueryServer::logLine, &app,
        [&out](const QString &line) { out << line << Qt::endl; });
    out << "listening on " << address.toString() << ':' << server.port() << " with "
        << server.catalogue().entries().size() << " component(s)" << Qt::endl;
    return app.exec();
}
