#ifndef SMALLVOLUME_H
#define SMALLVOLUME_H

#include <QString>
#include <QStringList>

// A tiny file system (64 KiB) mounted at `folder` for the length of a test, so that a volume
// can be filled up. Needs the right to mount; `isMounted()` says whether it worked, and tests
// skip where it did not.
class SmallVolume
{
    Q_DISABLE_COPY(SmallVolume)

public:
    explicit SmallVolume(const QString &folder);
    ~SmallVolume();

    bool isMounted() const { return mounted; }
    QString path() const { return folder; }

    // Writes until the volume refuses more.
    bool fill() const;

private:
    static bool run(const QString &program, const QStringList &arguments);

    QString folder;
    bool mounted = false;
};

#endif
