#ifndef RESPONSEBUILDER_H
#define RESPONSEBUILDER_H

#include "componentrequest.h"

#include <QByteArray>
#include <QList>
#include <QString>

class Catalogue;

// The response document for one request: one `request` element per component, in the
// request's order, with `latest`, `noSuchComponent` or the update's elements.
class ResponseBuilder
{
public:
    explicit ResponseBuilder(const Catalogue &catalogue)
        : catalogue(catalogue)
    { }

    QByteArray build(const QList<ComponentRequest> &components);
    // What build() answered, for the log: "project/name version -> answer", joined by "; ".
    QString summary() const { return answers.join(QStringLiteral("; ")); }

private:
    const Catalogue &catalogue;
    QStringList answers;
};

#endif
