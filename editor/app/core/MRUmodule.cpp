#include "MRUmodule.h"

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

QStringList MRUmodule::entries()
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

namespace {
// Writes the list without gaps, so that a stored list with an empty or missing value
// in the middle still numbers its entries as the menu shows them.
void storeAll(const QStringList& list)
{
    RecentGroup g;
    for (int i = 1; i <= MRUmodule::kSize; ++i) {
        if (i <= list.size())
            g.set(i, list[i - 1]);
        else
            g.s->remove(key(i));
    }
    g.s->sync();
}
} // namespace

bool MRUmodule::IsRecentFile(const QString& fileName)
{
    return entries().contains(fileName, Qt::CaseSensitive);
}

void MRUmodule::AddRecentFile(const QString& fileName)
{
    if (!IsRecentFile(fileName))
        PushRecentFile(fileName);
}

void MRUmodule::PushRecentFile(const QString& fileName)
{
    QStringList list = entries();
    list.prepend(fileName);
    storeAll(list.mid(0, kSize));
}

void MRUmodule::MoveRecentToTop(int16_t index)
{
    QStringList list = entries();
    if (index >= 2 && index <= list.size()) {
        list.move(index - 1, 0);
        storeAll(list);
    }
}

void MRUmodule::ShowRecentFiles(RecentMenu& menu)
{
    const QStringList list = entries();
    if (list.isEmpty())
        return;
    menu.showRecentSeparator();
    for (int k = 0; k < list.size(); ++k)
        menu.showRecentEntry(k + 1, list[k]);
}

void MRUmodule::MoveFileToTop(const QString& fileName)
{
    const qsizetype at = entries().indexOf(fileName);
    if (at < 0)
        PushRecentFile(fileName);
    else
        MoveRecentToTop(static_cast<int16_t>(at + 1));
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
