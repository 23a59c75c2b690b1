#include "windowobserver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSaveFile>
#include <QTextEdit>

namespace {

void insertRect(QJsonObject &object, const QWidget *widget)
{
    const QPoint topLeft = widget->mapToGlobal(QPoint(0, 0));
    object.insert("x", topLeft.x());
    object.insert("y", topLeft.y());
    object.insert("w", widget->width());
    object.insert("h", widget->height());
}

QString plain(QString text)
{
    // Mnemonic markers are not shown on screen.
    return text.replace(QStringLiteral("&&"), QStringLiteral("\x01"))
        .remove(u'&')
        .replace(u'\x01', u'&');
}

bool describe(const QWidget *widget, QJsonObject *out)
{
    if (auto *label = qobject_cast<const QLabel *>(widget))
        out->insert("text", label->text());
    else if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        out->insert("text", plain(button->text()));
    else if (auto *pane = qobject_cast<const QPlainTextEdit *>(widget))
        out->insert("text", pane->toPlainText());
    else if (auto *rich = qobject_cast<const QTextEdit *>(widget))
        out->insert("text", rich->toPlainText());
    else if (auto *bar = qobject_cast<const QProgressBar *>(widget))
        out->insert("value", bar->value());
    else
        return false;
    out->insert("class", widget->metaObject()->className());
    out->insert("objectName", widget->objectName());
    out->insert("enabled", widget->isEnabled());
    insertRect(*out, widget);
    return true;
}

QJsonObject window(QWidget *top)
{
    QJsonObject out;
    out.insert("class", top->metaObject()->className());
    out.insert("objectName", top->objectName());
    out.insert("title", top->windowTitle());
    out.insert("winId", QString::number(top->winId()));
    out.insert("active", top->isActiveWindow());
    insertRect(out, top);
    if (auto *box = qobject_cast<QMessageBox *>(top)) {
        out.insert("boxText", box->text());
        out.insert("boxIcon", int(box->icon()));
    }
    QJsonArray widgets;
    const QList<QWidget *> children = top->findChildren<QWidget *>();
    for (const QWidget *child : children) {
        QJsonObject described;
        if (child->isVisible() && describe(child, &described))
            widgets.append(described);
    }
    out.insert("widgets", widgets);
    return out;
}

} // namespace

WindowObserver::WindowObserver()
{
    const QString folder = qEnvironmentVariable("VESK_WINDOWPROBE_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    path = QDir(folder).filePath(QStringLiteral("%1.json").arg(QCoreApplication::applicationPid()));
    connect(&timer, &QTimer::timeout, this, &WindowObserver::poll);
    timer.start(50);
}

WindowObserver::~WindowObserver()
{
    if (!path.isEmpty())
        write(QJsonDocument(QJsonObject { { "pid", QCoreApplication::applicationPid() },
                                { "ended", true }, { "windows", QJsonArray() } })
                  .toJson());
}

void WindowObserver::poll()
{
    QJsonArray windows;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->isVisible())
            windows.append(window(top));
    }
    const QByteArray snapshot = QJsonDocument(
        QJsonObject { { "pid", QCoreApplication::applicationPid() }, { "ended", false },
            { "windows",
                windows } }).toJson();
    if (snapshot != last)
        write(snapshot);
}

void WindowObserver::write(const QByteArray &snapshot)
{
    last = snapshot;
    // Readers never see half a snapshot.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(snapshot);
        file.commit();
    }
}
