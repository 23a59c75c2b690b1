#ifndef WINDOWOBSERVER_H
#define WINDOWOBSERVER_H

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

// Writes the snapshot of the process's visible windows whenever it changes (see
// windowprobeplugin.h), and an empty one when the application goes away.
class WindowObserver : public QObject
{
    Q_OBJECT
public:
    WindowObserver();
    ~WindowObserver() override;

private:
    void poll();
    void write(const QByteArray &snapshot);

    QString path;
    QByteArray last;
    QTimer timer;
};

#endif
