// Shows one of the updater's windows with a sample engine state, for scripts/screenshots.
//
//   windowshots <window> [pl]
//
// <window>: changelog, changelog-details, download, install, summary-ok, summary-failed.
// "pl" installs the embedded Polish catalogue first. When the window is up and painted the
// program prints "ready <window id>" and keeps it shown until it is killed.
#include "engine/veskupdaterengine.h"
#include "ui/veskchangelogdialog.h"
#include "ui/veskdownloaddialog.h"
#include "ui/veskinstalldialog.h"
#include "ui/vesksummarydialog.h"
#include "vesktestsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QTcpServer>
#include <QTimer>
#include <QTranslator>
#include <QWidget>

#include <cstdio>

namespace {

UpdateRecord *sampleRecord(const std::string &name, const std::string &version,
    const std::string &description, const std::string &changelog, const QString &link)
{
    return new UpdateRecord("vesk", name, "app", version, description, "Veskora", "Veskora team",
        "http://example.invalid/", "dev@example.invalid", changelog, link.toStdString(), false, 0);
}

void setSampleUpdates(VeskUpdaterEngine &engine, const QString &host)
{
    VeskEngineTestAccess::setUpdates(engine,
        { sampleRecord("core", "7.1.2", "Veskora instant messenger core",
              "- Faster start-up\n- Fixed the tray icon on high-DPI screens\n"
              "- Messages keep their order after reconnecting",
              host + "/core.zip"),
            sampleRecord("sounds", "2.0", "Sound pack",
                "- New message sound\n- Quieter typing notification", host + "/sounds.zip") });
}

QWidget *shownUpdaterWindow()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible() && window->objectName().startsWith("Updater_"))
            return window;
    }
    return nullptr;
}

void announceWhenPainted()
{
    // Give the window manager a moment to frame and the window to paint.
    QTimer::singleShot(700, qApp, [] {
        QWidget *window = shownUpdaterWindow();
        if (!window) {
            std::fprintf(stdout, "no window\n");
            std::fflush(stdout);
            QCoreApplication::exit(2);
            return;
        }
        window->repaint();
        std::fprintf(stdout, "ready %llu\n", static_cast<unsigned long long>(window->winId()));
        std::fflush(stdout);
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: windowshots <window> [pl]\n");
        return 2;
    }
    const QString window = args.at(1);

    QTranslator translator;
    if (args.contains("pl")) {
        if (!translator.load(":/languages/vesk_pl_PL.qm")
            || !QCoreApplication::installTranslator(&translator)) {
            std::fprintf(stderr, "no Polish catalogue\n");
            return 2;
        }
    }

    // A package host that accepts and never answers keeps the download window waiting.
    QTcpServer silentHost;
    silentHost.listen(QHostAddress::LocalHost);
    const QString host = QStringLiteral("http://127.0.0.1:%1").arg(silentHost.serverPort());

    VeskUpdaterEngine engine;
    setSampleUpdates(engine, host);
    // Shaped as the installation run writes it, headings in the chosen language.
    const auto heading = [](const char *name) {
        return QCoreApplication::translate("translation",
            "Installing package %1:", "status information about currently installed package")
            .arg(QLatin1String(name));
    };
    const QString log = heading("core") + "\n - plugins/tray.dll\n - vesk7.exe\n\n"
        + heading("sounds") + "\n - sounds/message.wav\n\n";

    if (window == "changelog" || window == "changelog-details") {
        new VeskChangelogDialog(&engine);
        if (window == "changelog-details")
            shownUpdaterWindow()
                ->findChild<QAbstractButton *>("Updater_Changelog_ViewChangelog")
                ->click();
    } else if (window == "download") {
        new VeskDownloadDialog(&engine);
        // After the download has started and named its first package.
        QTimer::singleShot(300, &engine, [&engine] {
            emit engine.downloadFile(QStringLiteral("core"));
            emit engine.downloadProgress(42);
        });
    } else if (window == "install") {
        // The installation runs inside the window's constructor; hold it at its first package.
        bool held = false;
        QObject::connect(
            &engine, &VeskUpdaterEngine::installFile, &engine, [&](const QString &name) {
                if (held)
                    return;
                held = true;
                emit engine.installFile(name); // again, so that the window's label has it too
                emit engine.installProgress(50);
                announceWhenPainted();
                QEventLoop().exec();
            });
        new VeskInstallDialog(&engine);
        return 1; // only reached if the installation never named a package
    } else if (window == "summary-ok" || window == "summary-failed") {
        const bool ok = window == "summary-ok";
        VeskEngineTestAccess::setInstallResult(
            engine, ok ? log : QStringLiteral("An error occured while installing updates"), ok);
        new VeskSummaryDialog(&engine);
    } else {
        std::fprintf(stderr, "unknown window %s\n", qPrintable(window));
        return 2;
    }

    announceWhenPainted();
    return app.exec();
}
