#ifndef VESKINSTALLDIALOG_H
#define VESKINSTALLDIALOG_H

#include <QObject>

class QProgressBar;
class QWidget;
class VeskUpdaterEngine;

// The install window: runs the whole installation inside its constructor and hands over to
// the summary window. No Cancel: failures are handled by the installation run itself.
class VeskInstallDialog : public QObject
{
    Q_OBJECT
public:
    explicit VeskInstallDialog(VeskUpdaterEngine *engine);
    ~VeskInstallDialog() override;

private slots:
    void finished();

private:
    VeskUpdaterEngine *engine;
    QWidget *form = nullptr;
    QProgressBar *progressBar = nullptr;
};

#endif
