#include "boxprobe.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
QList<QJsonObject> records(const QString &logPath, const QString &kind)
{
    QList<QJsonObject> found;
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly))
        return found;
    const QList<QByteArray> lines = log.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        if (record.value("kind").toString() == kind)
            found.append(record);
    }
    return found;
}
}

BoxProbe::BoxProbe(const QString &logPath)
    : m_logPath(logPath)
{ }

QProcessEnvironment BoxProbe::environment(QProcessEnvironment base) const
{
    base.insert("QT_QPA_GENERIC_PLUGINS", "vesk-boxprobe");
    base.insert("QT_PLUGIN_PATH", QStringLiteral(VESK_BOXPROBE_PLUGIN_DIR));
    base.insert("VESK_BOXPROBE_LOG", m_logPath);
    base.insert("VESK_BOXPROBE_ANSWER", m_answer);
    base.insert("VESK_BOXPROBE_CLOSE_WINDOWS", m_closeWindows ? "1" : "0");
    return base;
}

QList<SeenMessageBox> BoxProbe::boxes() const
{
    QList<SeenMessageBox> boxes;
    for (const QJsonObject &record : records(m_logPath, "box")) {
        SeenMessageBox box;
        box.icon = QMessageBox::Icon(record.value("icon").toInt());
        box.title = record.value("title").toString();
        box.text = record.value("text").toString();
        box.buttons = QMessageBox::StandardButtons(record.value("buttons").toInt());
        box.defaultButton = QMessageBox::StandardButton(record.value("default").toInt());
        box.hasParent = record.value("hasParent").toBool();
        boxes.append(box);
    }
    return boxes;
}

QList<QStringList> BoxProbe::starts() const
{
    QList<QStringList> starts;
    for (const QJsonObject &record : records(m_logPath, "start")) {
        QStringList arguments;
        for (const QJsonValue &argument : record.value("arguments").toArray())
            arguments.append(argument.toString());
        starts.append(arguments);
    }
    return starts;
}

QStringList BoxProbe::windows() const
{
    QStringList windows;
    for (const QJsonObject &record : records(m_logPath, "window")) {
        const QString name = record.value("objectName").toString();
        windows.append(name.isEmpty() ? record.value("class").toString() : name);
    }
    return windows;
}

int BoxProbe::endCount() const
{
    return int(records(m_logPath, "end").size());
}
