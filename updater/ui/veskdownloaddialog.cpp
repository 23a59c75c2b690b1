#include "veskdownloaddialog.h"

#include "engine/veskupdaterengine.h"
#include "formloader.h"
#include "veskinstalldialog.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

VeskDownloadDialog::VeskDownloadDialog(VeskUpdaterEngine *engine)
    : QObject(nullptr)
    , engine(engine)
{
    form = loadForm(QStringLiteral(":/res/Download.ui"));

    progressBar = form->findChild<QProgressBar *>(QStringLiteral("Updater_Download_Progress"));
    auto *progressText = form->findChild<QLabel *>(QStringLiteral("Updater_Download_ProgressText"));
    auto *cancelButton = form->findChild<QPushButton *>(QStringLiteral("Updater_Download_Cancel"));

    connect(form, &QObject::destroyed, this, &QObject::deleteLater);
    connect(engine, &VeskUpdaterEngine::downloadProgress, progressBar, &QProgressBar::setValue);
    connect(engine, &VeskUpdaterEngine::error, this, &VeskDownloadDialog::error);
    connect(engine, &VeskUpdaterEngine::downloadFile, progressText, &QLabel::setText);
    connect(engine, &VeskUpdaterEngine::downloadFinished, this, &VeskDownloadDialog::finished);
    // Abort before closing: a cancelled download reports no error, so no box follows.
    connect(cancelButton, &QPushButton::clicked, engine, &VeskUpdaterEngine::abortDownload);
    connect(cancelButton, &QPushButton::clicked, form, &QWidget::close);

    form->setAttribute(Qt::WA_DeleteOnClose);
    form->show();

    // Start only once the window is up and this constructor and its caller have returned.
    QTimer::singleShot(0, engine, &VeskUpdaterEngine::beginDownload);
}

VeskDownloadDialog::~VeskDownloadDialog() = default;

void VeskDownloadDialog::error(const QString &str)
{
    form->close();
    // This context has no catalogue entry, so the title stays English under every language.
    QMessageBox::critical(nullptr, QCoreApplication::translate("VeskDownloadDialog", "Update"), str,
        QMessageBox::Ok, QMessageBox::NoButton);
}

void VeskDownloadDialog::finished()
{
    form->close();
    new VeskInstallDialog(engine);
}
