#include "windowdriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QWidget>

QWidget *shownWindow(const QString &formClass)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->objectName() == formClass && window->isVisible())
            return window;
    }
    return nullptr;
}

QStringList shownWindowNames()
{
    QStringList names;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible())
            names << (window->objectName().isEmpty()
                    ? QString::fromLatin1(window->metaObject()->className())
                    : window->objectName());
    }
    names.sort();
    return names;
}

bool runEventLoop(int limitMs, int *exitCode)
{
    bool stopped = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&stopped] {
        stopped = true;
        QCoreApplication::exit(-1); // leaves nested loops (message boxes) too
    });
    watchdog.start(limitMs);
    const int result = QApplication::exec();
    if (exitCode)
        *exitCode = result;
    return !stopped;
}

void whenLoopRuns(std::function<void()> step)
{
    QTimer::singleShot(0, qApp, std::move(step));
}

void closeAllWindows()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        window->close();
    // A window goes on the first pass, its controller (deleteLater on destroyed) on the next.
    for (int pass = 0; pass < 3; ++pass)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

ShowRecorder::ShowRecorder()
{
    qApp->installEventFilter(this);
}

ShowRecorder::~ShowRecorder()
{
    qApp->removeEventFilter(this);
}

QStringList ShowRecorder::names() const
{
    QStringList result;
    for (const Shown &s : shown)
        result << s.name;
    return result;
}

bool ShowRecorder::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(watched);
        if (widget->isWindow()) {
            const QString name = widget->objectName().isEmpty()
                ? QString::fromLatin1(widget->metaObject()->className())
                : widget->objectName();
            QStringList others = shownWindowNames();
            others.removeAll(name);
            shown.append({ name, others });
            if (onShown)
                onShown(widget);
        }
    }
    return QObject::eventFilter(watched, event);
}

PolishInterface::PolishInterface(bool polish)
{
    installed = polish && translator.load(QStringLiteral(":/languages/vesk_pl_PL.qm"))
        && QCoreApplication::installTranslator(&translator);
}

PolishInterface::~PolishInterface()
{
    if (installed)
        QCoreApplication::removeTranslator(&translator);
}

ClientLog::ClientLog()
{
    hadPrevious = qEnvironmentVariableIsSet("VESK_FAKE_CLIENT_LOG");
    previous = qgetenv("VESK_FAKE_CLIENT_LOG");
    qputenv(
        "VESK_FAKE_CLIENT_LOG", QDir::toNativeSeparators(dir.filePath("starts.log")).toLocal8Bit());
}

ClientLog::~ClientLog()
{
    if (hadPrevious)
        qputenv("VESK_FAKE_CLIENT_LOG", previous);
    else
        qunsetenv("VESK_FAKE_CLIENT_LOG");
}

QString ClientLog::clientPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/vesk7.exe");
}

QStringList ClientLog::starts() const
{
    QFile file(dir.filePath("starts.log"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    lines.removeLast(); // after the last newline
    return lines;
}

std::optional<QStringList> ClientLog::settledStarts() const
{
    // A start made before this one has had far longer to write its line than the sentinel,
    // which is waited for.
    QProcess sentinel;
    sentinel.start(clientPath(), { QStringLiteral("sentinel") });
    if (!sentinel.waitForFinished(20000))
        return std::nullopt;
    QStringList lines = starts();
    if (!lines.removeOne(QStringLiteral("sentinel")))
        return std::nullopt;
    return lines;
}
