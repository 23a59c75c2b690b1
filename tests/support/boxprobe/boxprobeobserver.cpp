#include "boxprobeobserver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QMetaEnum>
#include <QPushButton>

BoxProbeObserver::BoxProbeObserver()
    : m_logPath(qEnvironmentVariable("VESK_BOXPROBE_LOG"))
    , m_answer(qEnvironmentVariable("VESK_BOXPROBE_ANSWER", QStringLiteral("Ok")))
    , m_closeWindows(qEnvironmentVariableIntValue("VESK_BOXPROBE_CLOSE_WINDOWS") == 1)
{
    append({ { "kind", "start" },
        { "arguments", QJsonArray::fromStringList(QCoreApplication::arguments()) } });
    connect(&m_timer, &QTimer::timeout, this, &BoxProbeObserver::poll);
    m_timer.start(10);
}

BoxProbeObserver::~BoxProbeObserver()
{
    append({ { "kind", "end" } });
}

void BoxProbeObserver::append(QJsonObject record) const
{
    if (m_logPath.isEmpty())
        return;
    record.insert("pid", QCoreApplication::applicationPid());
    // Several processes share the log; one appending write per record keeps lines whole.
    QFile log(m_logPath);
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n');
}

void BoxProbeObserver::poll()
{
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (QWidget *widget : widgets) {
        if (!widget->isVisible() || m_seen.contains(widget))
            continue;
        m_seen.append(widget);

        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box) {
            append({ { "kind", "window" }, { "class", widget->metaObject()->className() },
                { "objectName", widget->objectName() }, { "title", widget->windowTitle() } });
            if (m_closeWindows)
                widget->close();
            return;
        }

        const QMessageBox::StandardButton defaultButton = box->defaultButton()
            ? box->standardButton(box->defaultButton())
            : QMessageBox::NoButton;
        append({ { "kind", "box" }, { "icon", int(box->icon()) }, { "title", box->windowTitle() },
            { "text", box->text() }, { "buttons", int(box->standardButtons()) },
            { "default", int(defaultButton) }, { "hasParent", box->parentWidget() != nullptr } });

        bool known = false;
        const int answer = QMetaEnum::fromType<QMessageBox::StandardButtons>().keyToValue(
            m_answer.toLatin1().constData(), &known);
        if (QAbstractButton *button
            = known ? box->button(QMessageBox::StandardButton(answer)) : nullptr)
            button->click();
        else if (box->escapeButton())
            box->escapeButton()->click();
        else
            box->reject();
        return; // one box per tick: answering may show the next one
    }
}
