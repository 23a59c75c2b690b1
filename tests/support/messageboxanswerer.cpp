#include "messageboxanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>
#include <QPushButton>

MessageBoxAnswerer::MessageBoxAnswerer(QMessageBox::StandardButton answer, QObject *parent)
    : QObject(parent)
    , m_answer(answer)
{
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxAnswerer::poll);
    m_timer.start(10);
}

void MessageBoxAnswerer::queueAnswers(const QList<QMessageBox::StandardButton> &answers)
{
    m_queue.append(answers);
}

void MessageBoxAnswerer::setOnShown(std::function<void(QMessageBox *)> callback)
{
    m_onShown = std::move(callback);
}

void MessageBoxAnswerer::poll()
{
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (QWidget *widget : widgets) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box || !box->isVisible() || m_handled.contains(box))
            continue;
        m_handled.append(box);

        SeenMessageBox seen;
        seen.icon = box->icon();
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.buttons = box->standardButtons();
        if (box->defaultButton())
            seen.defaultButton = box->standardButton(box->defaultButton());
        seen.hasParent = box->parentWidget() != nullptr;
        m_seen.append(seen);

        if (m_onShown)
            m_onShown(box);

        const QMessageBox::StandardButton answer
            = m_queue.isEmpty() ? m_answer : m_queue.takeFirst();
        QPointer<QMessageBox> guard(box);
        if (QAbstractButton *button = box->button(answer))
            button->click();
        else if (box->escapeButton())
            box->escapeButton()->click();
        else
            box->reject();
        if (!guard)
            m_handled.removeAll(box);
        return; // one box per tick: answering may have shown the next one
    }
}
