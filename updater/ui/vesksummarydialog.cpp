#include "vesksummarydialog.h"

#include "engine/veskupdaterengine.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QUiLoader>
#include <QWidget>

VeskSummaryDialog::VeskSummaryDialog(VeskUpdaterEngine *engine)
    : QObject(nullptr)
    , engine(engine)
{
    // The forms are part of the program, so neither the open nor the build can fail.
    QUiLoader loader;
    QFile file(QStringLiteral(":/res/Summary.ui"));
    file.open(QIODevice::ReadOnly);
    QWidget *form = loader.load(&file);
    file.close();

    auto *details = form->findChild<QPlainTextEdit *>(QStringLiteral("Updater_Summary_Details"));
    details->setPlainText(engine->installationLog());

    if (!engine->installSucceeded()) {
        form->findChild<QLabel *>(QStringLiteral("Updater_Summary_Status"))
            ->setText(QCoreApplication::translate("translation", "Installation failed", "nc"));
        form->findChild<QLabel *>(QStringLiteral("Updater_Summary_Instruction"))
            ->setText(QCoreApplication::translate("translation",
                "Please reinstall application with package from official web page", "nc"));
    }

    auto *restartButton
        = form->findChild<QAbstractButton *>(QStringLiteral("Updater_Summary_Restart"));
    connect(restartButton, &QAbstractButton::clicked, this, &VeskSummaryDialog::restartVesk);

    // "View details" shows and hides the log, which starts shown; the window follows the
    // pane as the update-available window does. The button keeps its one text.
    auto *viewDetails
        = form->findChild<QAbstractButton *>(QStringLiteral("Updater_Summary_ViewDetails"));
    connect(viewDetails, &QAbstractButton::clicked, details, [details, form] {
        details->setVisible(!details->isVisible());
        form->adjustSize();
    });

    connect(form, &QObject::destroyed, this, &QObject::deleteLater);

    form->setAttribute(Qt::WA_DeleteOnClose);
    form->show();
}

VeskSummaryDialog::~VeskSummaryDialog() = default;

void VeskSummaryDialog::restartVesk()
{
    // The plain path: Qt quotes the program itself where the platform needs it, so an
    // installation folder with spaces still starts. Nothing to do if the start fails.
    QProcess::startDetached(
        QCoreApplication::applicationDirPath() + QStringLiteral("/vesk7.exe"), {});
    QCoreApplication::quit();
}
