#include "veskchangelogdialog.h"

#include "engine/veskupdaterengine.h"
#include "formloader.h"
#include "veskdownloaddialog.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

QString fromUtf8(const std::string &bytes)
{
    // A field ends at its first NUL byte, as the server's texts always have.
    return QString::fromUtf8(bytes.c_str());
}

QString detailsText(const QVector<UpdateRecord *> &records)
{
    QString text;
    for (const UpdateRecord *record : records) {
        if (!text.isEmpty())
            text += "\n\n";
        text += fromUtf8(record->description());
        text += "\n";
        // Fixed wording, never translated: it reads the same under every language.
        text += QStringLiteral("Zmiany w wersji ") + fromUtf8(record->version());
        text += "\n";
        text += fromUtf8(record->changelog());
    }
    return text;
}

} // namespace

VeskChangelogDialog::VeskChangelogDialog(VeskUpdaterEngine *engine)
    : QObject(nullptr)
    , engine(engine)
{
    form = loadForm(QStringLiteral(":/res/Changelog.ui"));

    connect(form, &QObject::destroyed, this, &QObject::deleteLater);

    changelogButton
        = form->findChild<QPushButton *>(QStringLiteral("Updater_Changelog_ViewChangelog"));
    connect(changelogButton, &QPushButton::clicked, this, &VeskChangelogDialog::toggleChangelog);

    auto *downloadNowButton
        = form->findChild<QPushButton *>(QStringLiteral("Updater_Changelog_DownloadNow"));
    connect(downloadNowButton, &QPushButton::clicked, this, &VeskChangelogDialog::downloadNow);

    auto *downloadLaterButton
        = form->findChild<QPushButton *>(QStringLiteral("Updater_Changelog_DownloadLater"));
    connect(downloadLaterButton, &QPushButton::clicked, form, &QWidget::close);

    details = form->findChild<QPlainTextEdit *>(QStringLiteral("Updater_Changelog_Details"));
    details->setPlainText(detailsText(engine->updateList()));
    details->hide();

    form->setAttribute(Qt::WA_DeleteOnClose);
    form->adjustSize();
    form->show();
}

VeskChangelogDialog::~VeskChangelogDialog() = default;

void VeskChangelogDialog::toggleChangelog()
{
    if (details->isVisible()) {
        details->hide();
        changelogButton->setText(
            QCoreApplication::translate("translation", "Show changelog", "nc"));
    } else {
        details->show();
        changelogButton->setText(
            QCoreApplication::translate("translation", "Hide changelog", "nc"));
    }
    form->adjustSize();
}

void VeskChangelogDialog::downloadNow()
{
    // Close first: showing the next window cancels the quit that closing the last one asks for.
    form->close();
    new VeskDownloadDialog(engine);
}
