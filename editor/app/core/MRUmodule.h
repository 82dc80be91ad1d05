#pragma once
// The four-entry recent-file list in the settings store, section "Recent Files",
// values "RecentFile1" (most recent) to "RecentFile4".

#include <QString>
#include <QStringList>

namespace brevant {

// The recent entries of the File menu: a separator, then entries 1 to 4.
class RecentMenu {
public:
    virtual ~RecentMenu() = default;
    virtual void showRecentSeparator() = 0;
    virtual void showRecentEntry(int index, const QString& fileName) = 0;
};

class MRUmodule {
public:
    static constexpr int kSize = 4;

    // The stored values in order, empty ones left out.
    static QStringList entries();
    // True when one of the entries equals fileName exactly.
    static bool IsRecentFile(const QString& fileName);
    // Pushes fileName on top unless it is already listed (then it keeps its place).
    static void AddRecentFile(const QString& fileName);
    static void PushRecentFile(const QString& fileName);
    // Moves entry `index` to the top; those above it move down one place.
    static void MoveRecentToTop(int16_t index);
    // Moves fileName's entry to the top, or pushes it when another instance of the
    // editor has pushed it out of the list meanwhile.
    static void MoveFileToTop(const QString& fileName);
    // Shows the stored entries in the menu; an empty list changes nothing there, and
    // entries are never hidden here.
    static void ShowRecentFiles(RecentMenu& menu);
};

// The recent-files dialog's short forms of a full path.
struct RecentDisplay {
    QString name;
    QString path;
};
RecentDisplay shortenForDisplay(const QString& fullPath);

} // namespace brevant
