#include "RecentList.h"

#include "ui/SettingsStore.h"

namespace brevant {

namespace {
QString key(int i) { return QStringLiteral("RecentFile%1").arg(i); }

struct RecentGroup {
    std::unique_ptr<QSettings> s = openSettingsStore();
    RecentGroup() { s->beginGroup(kRecentFilesSection); }
    QString get(int i) const { return s->value(key(i)).toString(); }
    void set(int i, const QString& v) { s->setValue(key(i), v); }
};
} // namespace

QString RecentList::entry(int index)
{
    return RecentGroup().get(index);
}

QStringList RecentList::entries()
{
    RecentGroup g;
    QStringList list;
    for (int i = 1; i <= kSize; ++i) {
        const QString v = g.get(i);
        if (!v.isEmpty())
            list << v;
    }
    return list;
}

bool RecentList::IsRecentFile(const QString& fileName)
{
    return entries().contains(fileName, Qt::CaseSensitive);
}

void RecentList::AddRecentFile(const QString& fileName)
{
    if (!IsRecentFile(fileName))
        PushRecentFile(fileName);
}

void RecentList::PushRecentFile(const QString& fileName)
{
    RecentGroup g;
    for (int i = kSize - 1; i >= 1; --i) {
        const QString v = g.get(i);
        if (!v.isEmpty())
            g.set(i + 1, v);
    }
    g.set(1, fileName);
    g.s->sync();
}

void RecentList::MoveRecentToTop(int16_t index)
{
    RecentGroup g;
    for (; index >= 2; --index) {
        const QString upper = g.get(index - 1);
        g.set(index - 1, g.get(index));
        g.set(index, upper);
    }
    g.s->sync();
}

RecentDisplay shortenForDisplay(const QString& fullPath)
{
    const int cut = fullPath.lastIndexOf(QLatin1Char('/'));
    RecentDisplay d;
    d.path = cut < 0 ? QString() : fullPath.left(cut);
    d.name = cut < 0 ? fullPath : fullPath.mid(cut + 1);
    if (d.path.size() > 45)
        d.path = d.path.left(3) + QStringLiteral("...") + d.path.right(39);
    if (d.name.size() > 30)
        d.name = d.name.left(30) + QStringLiteral("...");
    return d;
}

} // namespace brevant
