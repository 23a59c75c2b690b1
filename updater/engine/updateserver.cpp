#include "updateserver.h"

namespace {
const QLatin1String defaultHost("update.veskora.pl");
const quint16 defaultPort = 443;

// Port 0 for anything but 1..65535: a mistyped override then fails to connect instead of
// quietly reaching another server.
quint16 portNumber(const QString &text)
{
    bool ok = false;
    const uint port = text.toUInt(&ok);
    return ok && port <= 0xFFFF ? quint16(port) : 0;
}
}

UpdateServer UpdateServer::fromEnvironment()
{
    const QString value = qEnvironmentVariable("VESK_UPDATE_SERVER").trimmed();
    if (value.isEmpty())
        return { defaultHost, defaultPort };

    // "[v6 address]" or "[v6 address]:port"
    if (value.startsWith(QLatin1Char('['))) {
        const qsizetype close = value.indexOf(QLatin1Char(']'));
        if (close > 0) {
            const QString rest = value.mid(close + 1);
            const quint16 port = rest.isEmpty()     ? defaultPort
                : rest.startsWith(QLatin1Char(':')) ? portNumber(rest.mid(1))
                                                    : 0;
            return { value.mid(1, close - 1), port };
        }
    }
    // "host:port"; a bare v6 address has several colons and no port.
    if (value.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = value.indexOf(QLatin1Char(':'));
        return { value.left(colon), portNumber(value.mid(colon + 1)) };
    }
    return { value, defaultPort };
}
