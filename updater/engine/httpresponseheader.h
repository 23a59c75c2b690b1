#ifndef HTTPRESPONSEHEADER_H
#define HTTPRESPONSEHEADER_H

#include <QMetaType>
#include <QString>

// The parts of an HTTP response header that the download looks at.
class HttpResponseHeader
{
public:
    HttpResponseHeader() = default;
    HttpResponseHeader(int statusCode, const QString &reasonPhrase, qint64 contentLength)
        : m_statusCode(statusCode)
        , m_reasonPhrase(reasonPhrase)
        , m_contentLength(contentLength)
    { }

    int statusCode() const { return m_statusCode; }
    QString reasonPhrase() const { return m_reasonPhrase; }
    // 0 when the response carries no Content-Length.
    qint64 contentLength() const { return m_contentLength; }

private:
    int m_statusCode = 0;
    QString m_reasonPhrase;
    qint64 m_contentLength = 0;
};

Q_DECLARE_METATYPE(HttpResponseHeader)

#endif
