#include "httpclient.h"

// Placeholder until the download lands.
HttpClient::HttpClient(QObject *parent) : QObject(parent) {}
HttpClient::~HttpClient() = default;
int HttpClient::setHost(const QString &, quint16) { return m_nextId++; }
int HttpClient::head(const QString &) { return m_nextId++; }
int HttpClient::get(const QString &, QIODevice *) { return m_nextId++; }
bool HttpClient::hasPendingRequests() const { return false; }
void HttpClient::abort() {}
QString HttpClient::errorString() const { return m_errorString; }
