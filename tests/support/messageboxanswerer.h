#ifndef MESSAGEBOXANSWERER_H
#define MESSAGEBOXANSWERER_H

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// What a test saw of one message box.
struct SeenMessageBox
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    bool hasParent = false;
};

// Answers the modal message boxes that the code under test shows: records each one and
// presses a button. Polls the application's widgets, so it also works inside the nested
// event loop of a static QMessageBox function.
class MessageBoxAnswerer : public QObject
{
    Q_OBJECT
public:
    // Every box is answered with `answer`; a box without that button is answered with its
    // escape button (or closed).
    explicit MessageBoxAnswerer(
        QMessageBox::StandardButton answer = QMessageBox::Ok, QObject *parent = nullptr);

    // Answers for the next boxes, in order; once used up, the default answer applies.
    void queueAnswers(const QList<QMessageBox::StandardButton> &answers);
    // Called with each box before it is answered (for checks of the state at that moment).
    void setOnShown(std::function<void(QMessageBox *)> callback);

    QList<SeenMessageBox> seen() const { return m_seen; }
    int count() const { return m_seen.size(); }

private:
    void poll();

    QTimer m_timer;
    QMessageBox::StandardButton m_answer;
    QList<QMessageBox::StandardButton> m_queue;
    QList<SeenMessageBox> m_seen;
    QList<QMessageBox *> m_handled;
    std::function<void(QMessageBox *)> m_onShown;
};

#endif
