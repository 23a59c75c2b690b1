#ifndef WINDOWDRIVER_H
#define WINDOWDRIVER_H

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTranslator>
#include <QWidget>

#include <functional>
#include <optional>

// Helpers the window tests share: finding the windows the controllers show, pressing their
// buttons from inside the event loop, and running that loop under a time limit.

// The visible top-level window built from the form with this class name, or null.
QWidget *shownWindow(const QString &formClass);
// A widget of type T with this object name inside a shown window, or null.
template <typename T> T *shownChild(const QString &formClass, const QString &objectName)
{
    QWidget *window = shownWindow(formClass);
    return window ? window->findChild<T *>(objectName) : nullptr;
}
// Names of the visible top-level windows, message boxes included.
QStringList shownWindowNames();

// Runs the application's event loop until something ends it. Returns false when it had to be
// stopped after `limitMs`; `exitCode` receives the loop's result.
bool runEventLoop(int limitMs = 15000, int *exitCode = nullptr);
// Calls `step` from the event loop once it runs.
void whenLoopRuns(std::function<void()> step);

// Closes every window left over and lets the deferred deletions run, so each test starts
// with no window and no controller.
void closeAllWindows();

// Records each window as it is shown, with the windows visible at that moment.
class ShowRecorder : public QObject
{
    Q_OBJECT
public:
    struct Shown
    {
        QString name;
        QStringList visibleOthers;
    };

    ShowRecorder();
    ~ShowRecorder() override;

    QList<Shown> shown;
    QStringList names() const;
    // Called as each top-level window is shown.
    std::function<void(QWidget *)> onShown;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// The starts of the fake client beside the test program ("vesk7.exe" in the application's
// folder), which appends one line per start with its arguments to the file named by
// VESK_FAKE_CLIENT_LOG. Points that variable at a file of its own while it lives.
class ClientLog
{
public:
    ClientLog();
    ~ClientLog();
    bool isValid() const { return dir.isValid(); }
    static QString clientPath();

    // The argument lines of the starts so far ("" for a start without arguments).
    QStringList starts() const;
    // The starts once every start made so far has been recorded: runs the client itself with
    // the argument "sentinel", waits for it, and returns the other lines. Empty when the
    // sentinel could not run.
    std::optional<QStringList> settledStarts() const;

private:
    Q_DISABLE_COPY(ClientLog)
    QTemporaryDir dir;
    QByteArray previous;
    bool hadPrevious = false;
};

// The embedded Polish catalogue, installed for the lifetime of the object when `polish`;
// otherwise the texts stay English and nothing is installed.
class PolishInterface
{
public:
    explicit PolishInterface(bool polish = true);
    ~PolishInterface();
    bool isInstalled() const { return installed; }

private:
    Q_DISABLE_COPY(PolishInterface)
    QTranslator translator;
    bool installed = false;
};

#endif
