#ifndef COMPONENTREQUEST_H
#define COMPONENTREQUEST_H

#include <QByteArray>
#include <QList>
#include <QString>

// One component the client has installed, as its request names it.
struct ComponentRequest
{
    QString project;
    QString name;
    QString type;
    QString version;
};

// Reads the request document "<s><update><component project='..' name='..' type='..'
// version='..' /></update></s>". The client writes attribute values as they are, without
// escaping, so this is no XML parser: a value ends at the quote that is followed by the next
// attribute or by "/>", which keeps apostrophes, "&" and "<" inside values intact.
class RequestParser
{
public:
    enum class Framing { Incomplete, Complete, Malformed };

    // Whether the bytes received so far can still become a request, and whether they are one.
    static Framing examine(const QByteArray &received);

    // False with a short reason when the document is not a request.
    static bool parse(
        const QByteArray &document, QList<ComponentRequest> *components, QString *error);
};

#endif
