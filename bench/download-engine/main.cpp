// download-engine <link>: runs beginDownload for one record with that link, into the
// staging folder under $TMPDIR, and prints "seconds <s> peak_rss_kib <n>".
#include "engine/veskupdaterengine.h"
#include "residentmemory.h"
#include "vesktestsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (app.arguments().size() != 2) {
        err << "usage: download-engine <link>\n";
        return 2;
    }

    VeskUpdaterEngine engine;
    VeskEngineTestAccess::setUpdates(engine, { makeRecord("bench", "app", app.arguments().at(1)) });
    QElapsedTimer timer;
    int result = 0;
    QObject::connect(&engine, &VeskUpdaterEngine::downloadFinished, &app, &QCoreApplication::quit);
    QObject::connect(&engine, &VeskUpdaterEngine::error, &app, [&](const QString &text) {
        err << "download failed: " << text << "\n";
        result = 1;
        app.quit();
    });
    QTimer::singleShot(0, &engine, [&] {
        timer.start();
        engine.beginDownload();
    });
    app.exec();
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (result == 0)
        out << "seconds " << QString::number(seconds, 'f', 3) << " peak_rss_kib "
            << peakResidentMemoryBytes() / 1024 << "\n";
    return result;
}
