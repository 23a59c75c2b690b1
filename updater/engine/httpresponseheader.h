#ifndef HTTPRESPONSEHEADER_H
#define HTTPRESPONSEHEADER_H

#include <QMetaType>
#include <QString>

// The parts of an HTTP response header that the download looks at.
struct HttpResponseHeader
{
    int statusCode = 0;
    QString reasonPhrase;
    qint64 contentLength = 0; // 0 when the response carries none
};

Q_DECLARE_METATYPE(HttpResponseHeader)

#endif
