#include "engine/veskupdaterengine.h"
#include "install/clearfolder.h"
#include "install/detachedstart.h"
#include "install/packageinstaller.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QStringList>

#include <memory>
#include <vector>

namespace {

QString recordName(const UpdateRecord *record)
{
    return QString::fromStdString(record->name());
}

QString updateTitle()
{
    return QCoreApplication::translate("translation", "Update", "nc");
}

} // namespace

void VeskUpdaterEngine::installUpdates()
{
    // Every installer lives to the end of the run: only the object that installed a package
    // knows what it backed up, so the rollback needs these very objects.
    std::vector<std::unique_ptr<PackageInstaller>> installers;
    const int count = updates.size();

    for (int i = 0; i < count; ++i) {
        const UpdateRecord *record = updates.at(i);
        installers.push_back(std::make_unique<PackageInstaller>(record));
        PackageInstaller &installer = *installers.back();
        const QString name = recordName(record);

        emit installFile(name);
        installLog += QCoreApplication::translate("translation",
            "Installing package %1:", "status information about currently installed package")
                          .arg(name);
        installLog += "\n";

        QString errorText;
        QStringList fileList;
        if (!installer.install(stagingDir, &errorText, &fileList)) {
            QString text
                = QCoreApplication::translate("translation", "Failed installing package ", "nc")
                + name;
            if (!errorText.isEmpty())
                text += "\n" + errorText;
            const QMessageBox::StandardButton answer = QMessageBox::warning(nullptr, updateTitle(),
                text, QMessageBox::Abort | QMessageBox::Retry, QMessageBox::Retry);

            emit installFile(QCoreApplication::translate("translation", "Rollback update",
                "restoring application to state before installing update"));
            emit installProgress(0);
            for (int j = 0; j < count; ++j) {
                // Packages after the failed one were never attempted and have nothing to undo.
                if (j < int(installers.size()) && !installers[j]->rollback(stagingDir)) {
                    QMessageBox::critical(nullptr, updateTitle(),
                        QCoreApplication::translate("translation",
                            "An error occured while rolling back update progress. "
                            "Software may not work properly. Try reinstalling whole "
                            "application",
                            "nc"),
                        QMessageBox::Ok, QMessageBox::NoButton);
                    // Takes effect once control is back in the event loop; the remaining
                    // packages are still rolled back first.
                    QCoreApplication::quit();
                }
                emit installProgress(100 * (j + 1) / count);
            }

            installLog = QStringLiteral("An error occured while installing updates");
            emit installFinished();
            clearFolder(stagingDir);

            if (answer == QMessageBox::Retry) {
                startDetached(
                    QCoreApplication::applicationFilePath(), QCoreApplication::arguments());
                QCoreApplication::quit();
            }
            return;
        }

        fileList.sort(Qt::CaseSensitive);
        installLog += fileList.join("\n");
        installLog += "\n\n";
        emit installProgress(100 * (i + 1) / count);
    }

    installOk = true;
    emit installFinished();
    clearFolder(stagingDir);
}
