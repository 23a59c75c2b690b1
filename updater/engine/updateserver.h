#ifndef UPDATESERVER_H
#define UPDATESERVER_H

#include <QString>

// Where the update query goes: the product's server on port 443, unless the environment
// variable VESK_UPDATE_SERVER ("host" or "host:port") names another one, such as a staging
// server or a test server on loopback.
struct UpdateServer
{
    QString host;
    quint16 port = 0;

    static UpdateServer fromEnvironment();
};

#endif
