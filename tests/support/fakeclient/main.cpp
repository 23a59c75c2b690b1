// Stands in for the messenger client in tests. Behaviour is chosen through the environment:
//   VESK_FAKE_CLIENT_LOG       file to which one line per start is appended: the arguments,
//                              joined by "|" (so a test can count starts and read arguments)
//   VESK_FAKE_CLIENT_OUTPUT    file whose bytes are printed, unchanged, for "-updatequery"
//   VESK_FAKE_CLIENT_DELAY_MS  milliseconds to wait before exiting (to simulate a hang)
#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);

    const QString logPath = qEnvironmentVariable("VESK_FAKE_CLIENT_LOG");
    if (!logPath.isEmpty()) {
        QFile log(logPath);
        if (log.open(QIODevice::WriteOnly | QIODevice::Append))
            log.write(args.join('|').toUtf8() + '\n');
    }

    if (args.contains("-updatequery")) {
        QFile output(qEnvironmentVariable("VESK_FAKE_CLIENT_OUTPUT"));
        if (output.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = output.readAll();
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
            std::fflush(stdout);
        }
    }

    const int delay = qEnvironmentVariableIntValue("VESK_FAKE_CLIENT_DELAY_MS");
    if (delay > 0)
        QThread::msleep(ulong(delay));
    return 0;
}
