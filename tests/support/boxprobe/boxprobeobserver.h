#ifndef BOXPROBEOBSERVER_H
#define BOXPROBEOBSERVER_H

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QJsonObject;
class QWidget;

// Lives as long as the application object of the process it is loaded into (see
// boxprobeplugin.h): logs the start, every message box and window, and the end.
class BoxProbeObserver : public QObject
{
    Q_OBJECT
public:
    BoxProbeObserver();
    ~BoxProbeObserver() override;

private:
    void poll();
    void append(QJsonObject record) const;

    QString m_logPath;
    QString m_answer;
    bool m_closeWindows = false;
    QTimer m_timer;
    QList<QPointer<QWidget>> m_seen;
};

#endif
