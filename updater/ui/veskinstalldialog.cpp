#include "veskinstalldialog.h"

#include "engine/veskupdaterengine.h"
#include "formloader.h"
#include "vesksummarydialog.h"

#include <QLabel>
#include <QProgressBar>

VeskInstallDialog::VeskInstallDialog(VeskUpdaterEngine *engine)
    : QObject(nullptr)
    , engine(engine)
{
    form = loadForm(QStringLiteral(":/res/Install.ui"));

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
