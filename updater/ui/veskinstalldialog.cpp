#include "veskinstalldialog.h"

#include "engine/veskupdaterengine.h"
#include "vesksummarydialog.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QUiLoader>

VeskInstallDialog::VeskInstallDialog(VeskUpdaterEngine *engine)
    : QObject(nullptr)
    , engine(engine)
{
    // The forms are part of the program, so neither the open nor the build can fail.
    QUiLoader loader;
    QFile file(QStringLiteral(":/res/Install.ui"));
    file.open(QIODevice::ReadOnly);
    form = loader.load(&file);
    file.close();

    progressBar = form->findChild<QProgressBar *>(QStringLiteral("Updater_Install_Progress"));
    auto *progressText = form->findChild<QLabel *>(QStringLiteral("Updater_Install_ProgressText"));

    connect(form, &QObject::destroyed, this, &QObject::deleteLater);
    connect(engine, &VeskUpdaterEngine::installProgress, progressBar, &QProgressBar::setValue);
    connect(engine, &VeskUpdaterEngine::installFile, progressText, &QLabel::setText);
    connect(engine, &VeskUpdaterEngine::installFinished, this, &VeskInstallDialog::finished);

    form->setAttribute(Qt::WA_DeleteOnClose);
    form->show();

    // Synchronous: the summary window is already up when this returns.
    engine->installUpdates();
}

VeskInstallDialog::~VeskInstallDialog() = default;

void VeskInstallDialog::finished()
{
    form->close();
    new VeskSummaryDialog(engine);
}
