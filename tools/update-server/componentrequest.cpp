#include "componentrequest.h"

#include <QStringDecoder>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool isNameStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u'.' || c == u':';
}

// The updater takes the client's output as Latin-1 and sends it as UTF-8, so a client that
// prints UTF-8 arrives encoded twice. Undo that when the bytes underneath are valid UTF-8.
QString decodeDocument(const QByteArray &bytes)
{
    const QString once = QString::fromUtf8(bytes);
    for (QChar c : once) {
        if (c.unicode() > 0xFF)
            return once;
    }
    const QByteArray underneath = once.toLatin1();
    if (underneath == bytes)
        return once;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString twice = utf8.decode(underneath);
    return utf8.hasError() ? once : twice;
}

class Cursor
{
public:
    explicit Cursor(const QString &text)
        : text(text)
    { }

    void skipBlanks()
    {
        while (pos < text.size() && isBlank(text.at(pos)))
            ++pos;
    }
    bool take(QStringView literal)
    {
        if (!QStringView(text).mid(pos).startsWith(literal))
            return false;
        pos += literal.size();
        return true;
    }
    bool lookingAt(QStringView literal) const
    {
        return QStringView(text).mid(pos).startsWith(literal);
    }
    bool atEnd() const { return pos >= text.size(); }
    bool startsWithBlank() const { return !atEnd() && isBlank(text.at(pos)); }

    QString takeName()
    {
        const qsizetype start = pos;
        if (pos < text.size() && isNameStart(text.at(pos))) {
            ++pos;
            while (pos < text.size() && isNameChar(text.at(pos)))
                ++pos;
        }
        return text.mid(start, pos - start);
    }

    // A closing quote counts only where the element can go on: blanks, then "/>" or
    // another attribute name followed by "=".
    bool takeValue(QChar quote, QString *value)
    {
        for (qsizetype end = text.indexOf(quote, pos); end >= 0;
             end = text.indexOf(quote, end + 1)) {
            Cursor after(text);
            after.pos = end + 1;
            after.skipBlanks();
            bool closes = after.lookingAt(u"/>");
            if (!closes && after.pos > end + 1 && !after.takeName().isEmpty()) {
                after.skipBlanks();
                closes = after.lookingAt(u"=");
            }
            if (closes) {
                *value = text.mid(pos, end - pos);
                pos = end + 1;
                return true;
            }
        }
        return false;
    }

private:
    const QString &text;
    qsizetype pos = 0;
};

bool parseComponent(Cursor &in, ComponentRequest *component, QString *error)
{
    bool hasVersion = false;
    for (;;) {
        in.skipBlanks();
        if (in.take(u"/>"))
            break;
        const QString name = in.takeName();
        if (name.isEmpty()) {
            *error = QStringLiteral("component element not closed by \"/>\"");
            return false;
        }
        in.skipBlanks();
        if (!in.take(u"=")) {
            *error = QStringLiteral("attribute %1 without a value").arg(name);
            return false;
        }
        in.skipBlanks();
        const QChar quote = in.lookingAt(u"\"") ? u'"' : u'\'';
        QString value;
        if (!in.take(QStringView(&quote, 1)) || !in.takeValue(quote, &value)) {
            *error = QStringLiteral("attribute %1 has no closing quote").arg(name);
            return false;
        }
        if (name == u"project")
            component->project = value;
        else if (name == u"name")
            component->name = value;
        else if (name == u"type")
            component->type = value;
        else if (name == u"version") {
            component->version = value;
            hasVersion = true;
        }
    }
    if (!hasVersion) {
        *error = QStringLiteral("component without a version");
        return false;
    }
    return true;
}

} // namespace

RequestParser::Framing RequestParser::examine(const QByteArray &received)
{
    const QByteArray trimmed = received.trimmed();
    const QByteArray opening("<s>");
    if (trimmed.size() < opening.size())
        return opening.startsWith(trimmed) ? Framing::Incomplete : Framing::Malformed;
    if (!trimmed.startsWith(opening))
        return Framing::Malformed;
    return trimmed.endsWith("</s>") ? Framing::Complete : Framing::Incomplete;
}

bool RequestParser::parse(
    const QByteArray &document, QList<ComponentRequest> *components, QString *error)
{
    components->clear();
    const QString text = decodeDocument(document);
    Cursor in(text);
    in.skipBlanks();
    if (!in.take(u"<s>")) {
        *error = QStringLiteral("does not begin with <s>");
        return false;
    }
    in.skipBlanks();
    if (!in.take(u"<update>")) {
        *error = QStringLiteral("no <update> element");
        return false;
    }
    for (;;) {
        in.skipBlanks();
        if (in.take(u"</update>"))
            break;
        if (!in.take(u"<component") || !in.startsWithBlank()) {
            *error = QStringLiteral("expected a component element or </update>");
            return false;
        }
        ComponentRequest component;
        if (!parseComponent(in, &component, error))
            return false;
        components->append(component);
    }
    in.skipBlanks();
    if (!in.take(u"</s>")) {
        *error = QStringLiteral("no </s> after </update>");
        return false;
    }
    in.skipBlanks();
    if (!in.atEnd()) {
        *error = QStringLiteral("text after </s>");
        return false;
    }
    return true;
}
