#include "vesksummarydialog.h"

#include "engine/veskupdaterengine.h"
#include "formloader.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QWidget>

VeskSummaryDialog::VeskSummaryDialog(VeskUpdaterEngine *engine)
    : QObject(nullptr)
    , engine(engine)
{
    QWidget *form = loadForm(QStringLiteral(":/res/Summary.ui"));

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
