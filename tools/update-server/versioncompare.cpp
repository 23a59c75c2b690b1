#include "versioncompare.h"

#include <QStringList>

namespace {

// Digits are compared as text without leading zeros, so no part can overflow.
int compareNumbers(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front() == u'0')
        a = a.mid(1);
    while (b.size() > 1 && b.front() == u'0')
        b = b.mid(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

int leadingDigits(QStringView part)
{
    int n = 0;
    while (n < part.size() && part.at(n) >= u'0' && part.at(n) <= u'9')
        ++n;
    return n;
}

int comparePart(QStringView a, QStringView b)
{
    const int digitsA = leadingDigits(a);
    const int digitsB = leadingDigits(b);
    const QStringView numberA = digitsA > 0 ? a.left(digitsA) : QStringView(u"0");
    const QStringView numberB = digitsB > 0 ? b.left(digitsB) : QStringView(u"0");
    const int byNumber = compareNumbers(numberA, numberB);
    if (byNumber != 0)
        return byNumber;
    return a.mid(digitsA).compare(b.mid(digitsB));
}

} // namespace

int compareVersions(const QString &a, const QString &b)
{
    const QStringList partsA = a.trimmed().split(u'.');
    const QStringList partsB = b.trimmed().split(u'.');
    const qsizetype count = qMax(partsA.size(), partsB.size());
    for (qsizetype i = 0; i < count; ++i) {
        const QString partA = i < partsA.size() ? partsA.at(i) : QString();
        const QString partB = i < partsB.size() ? partsB.at(i) : QString();
        const int result = comparePart(partA, partB);
        if (result != 0)
            return result < 0 ? -1 : 1;
    }
    return 0;
}
