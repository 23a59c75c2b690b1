#ifndef VESKCHANGELOGDIALOG_H
#define VESKCHANGELOGDIALOG_H

#include <QObject>

class QPlainTextEdit;
class QPushButton;
class QWidget;
class VeskUpdaterEngine;

// The update-available window: what the updates are, with their changelogs behind a
// show/hide button. Owns itself and goes with its window; create it with new and let go.
class VeskChangelogDialog : public QObject
{
    Q_OBJECT
public:
    explicit VeskChangelogDialog(VeskUpdaterEngine *engine);
    ~VeskChangelogDialog() override;

private slots:
    void toggleChangelog();
    void downloadNow();

private:
    VeskUpdaterEngine *engine;
    QPlainTextEdit *details = nullptr;
    QPushButton *changelogButton = nullptr;
    QWidget *form = nullptr;
};

#endif
