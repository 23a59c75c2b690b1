#ifndef VESKDOWNLOADDIALOG_H
#define VESKDOWNLOADDIALOG_H

#include <QObject>
#include <QString>

class QProgressBar;
class QWidget;
class VeskUpdaterEngine;

// The download window: starts the engine's download once shown, follows its progress,
// offers Cancel, and hands over to the install window. Owns itself and goes with its window.
class VeskDownloadDialog : public QObject
{
    Q_OBJECT
public:
    explicit VeskDownloadDialog(VeskUpdaterEngine *engine);
    ~VeskDownloadDialog() override;

private slots:
    void error(const QString &str);
    void finished();

private:
    VeskUpdaterEngine *engine;
    QProgressBar *progressBar = nullptr;
    QWidget *form = nullptr;
};

#endif
