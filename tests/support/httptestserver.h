#ifndef HTTPTESTSERVER_H
#define HTTPTESTSERVER_H

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTcpServer>

#include <functional>

// One request as the server saw it.
struct HttpTestRequest
{
    QByteArray method; // "GET", "HEAD", ...
    QByteArray path; // the request target as sent, query included
    QByteArray host; // the Host header
};

// What the server does with one request. The defaults answer 200 with `body`.
struct HttpTestResponse
{
    static constexpr qint64 AutoLength = -1; // Content-Length is the body's real size
    static constexpr qint64 NoLength = -2; // no Content-Length; the connection closes after it

    int status = 200;
    QByteArray reason = "OK";
    QList<QPair<QByteArray, QByteArray>> headers; // extra header lines, e.g. Location
    QByteArray body;
    // When >= 0 the body is generatedBytes(0, generatedSize), produced as it is sent.
    qint64 generatedSize = -1;
    // The announced length (also for HEAD): AutoLength, NoLength or any value, right or wrong.
    qint64 contentLength = AutoLength;
    // The body goes out in pieces of pieceSize bytes with pieceDelayMs between them
    // (0: as fast as the socket takes it).
    int pieceSize = 0;
    int pieceDelayMs = 0;
    // After this many body bytes the connection is closed (a body cut short).
    qint64 closeAfter = -1;
    // After this many body bytes nothing more is sent and the connection stays open.
    qint64 stallAfter = -1;
    // Close the connection without answering at all.
    bool dropConnection = false;

    static HttpTestResponse ok(const QByteArray &body);
    static HttpTestResponse generated(qint64 size);
    // The status with its reason phrase, which is also the body.
    static HttpTestResponse error(int code, const QByteArray &reason);
    static HttpTestResponse redirect(const QByteArray &location, int code = 302);
    static HttpTestResponse drop();

    // This answer with its body sent in pieces of `size` bytes, `delayMs` apart.
    HttpTestResponse inPieces(int size, int delayMs) const;
};
Q_DECLARE_METATYPE(HttpTestResponse)

// An HTTP/1.1 server on 127.0.0.1, ephemeral port, living in the thread that creates it.
// A per-test handler decides each answer; every request is recorded. HEAD requests get the
// headers of the answer without its body. Large generated bodies are produced as the socket
// drains, never held whole.
//
//     HttpTestServer server;
//     server.setHandler([](const HttpTestRequest &r) {
//         return r.path == "/a.zip" ? HttpTestResponse::ok("data")
//                                   : HttpTestResponse::error(404, "Not Found");
//     });
//     fetch(server.url("/a.zip"));
//     QCOMPARE(server.requests().size(), 1);
//
// close() stops listening, so a later connection to port() is refused.
class HttpTestServer : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<HttpTestResponse(const HttpTestRequest &)>;

    explicit HttpTestServer(QObject *parent = nullptr);
    ~HttpTestServer() override;

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by `path`.
    QString url(const QString &path) const;

    // Without a handler every request is answered 404.
    void setHandler(const Handler &handler) { m_handler = handler; }
    // Every request gets the same answer.
    void answerAlways(const HttpTestResponse &response)
    {
        m_handler = [response](const HttpTestRequest &) { return response; };
    }
    QList<HttpTestRequest> requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }

    // Stops listening and drops every open connection.
    void close();

    // The content of generated bodies: a pattern with no short period, so a lost, doubled or
    // misplaced piece changes a checksum.
    static QByteArray generatedBytes(qint64 offset, qint64 size);

private:
    Q_DISABLE_COPY(HttpTestServer)

    HttpTestResponse answer(const HttpTestRequest &request);

    QTcpServer m_server;
    quint16 m_port = 0;
    Handler m_handler;
    QList<HttpTestRequest> m_requests;
};

#endif
