#ifndef VESKSUMMARYDIALOG_H
#define VESKSUMMARYDIALOG_H

#include <QObject>

class VeskUpdaterEngine;

// The summary window: the outcome of the installation with its log, and "Close", which
// starts the client again and ends the updater. Owns itself and goes with its window.
class VeskSummaryDialog : public QObject
{
    Q_OBJECT
public:
    explicit VeskSummaryDialog(VeskUpdaterEngine *engine);
    ~VeskSummaryDialog() override;

private slots:
    void restartVesk();

private:
    VeskUpdaterEngine *engine;
};

#endif
