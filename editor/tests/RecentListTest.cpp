#include "TestEnvironment.h"
#include "core/MRUmodule.h"
#include "ui/SettingsStore.h"

using namespace brevant;

namespace {
class RecentListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::usePrivateSettings();
        auto s = openSettingsStore();
        s->remove(kRecentFilesSection);
        s->sync();
    }
};
} // namespace

TEST_F(RecentListTest, FifthFileDropsTheOldest)
{
    for (const char* f : {"/a/1.mdb", "/a/2.mdb", "/a/3.mdb", "/a/4.mdb", "/a/5.mdb"})
        MRUmodule::AddRecentFile(f);
    EXPECT_EQ(MRUmodule::entries(), QStringList({"/a/5.mdb", "/a/4.mdb", "/a/3.mdb", "/a/2.mdb"}));
}

TEST_F(RecentListTest, ListedFileKeepsItsPlaceWhenAddedAgain)
{
    for (const char* f : {"/a/1.mdb", "/a/2.mdb", "/a/3.mdb"})
        MRUmodule::AddRecentFile(f);
    MRUmodule::AddRecentFile("/a/2.mdb");
    EXPECT_EQ(MRUmodule::entries(), QStringList({"/a/3.mdb", "/a/2.mdb", "/a/1.mdb"}));
    EXPECT_FALSE(MRUmodule::IsRecentFile("/A/2.mdb"));   // exact comparison
}

TEST_F(RecentListTest, MoveToTopShiftsThoseAbove)
{
    for (const char* f : {"/a/1.mdb", "/a/2.mdb", "/a/3.mdb", "/a/4.mdb"})
        MRUmodule::AddRecentFile(f);
    MRUmodule::MoveRecentToTop(3);
    EXPECT_EQ(MRUmodule::entries(), QStringList({"/a/2.mdb", "/a/4.mdb", "/a/3.mdb", "/a/1.mdb"}));
    auto s = openSettingsStore();
    EXPECT_EQ(s->value("Recent Files/RecentFile1").toString(), "/a/2.mdb");
}

TEST(RecentDisplayTest, LongPathsAndNamesAreShortened)
{
    const QString path46 = "/" + QString(45, 'p');
    const RecentDisplay d = shortenForDisplay(path46 + "/" + QString(31, 'n') + ".mdb");
    EXPECT_EQ(d.path.size(), 45);
    EXPECT_EQ(d.path, path46.left(3) + "..." + path46.right(39));
    EXPECT_EQ(d.name, QString(30, 'n') + "...");
    const RecentDisplay s = shortenForDisplay("/plant/Sample.mdb");
    EXPECT_EQ(s.path, "/plant");
    EXPECT_EQ(s.name, "Sample.mdb");
}

TEST_F(RecentListTest, AGapInTheStoredListIsClosedAndEntriesKeepTheMenuNumbers)
{
    {
        auto s = openSettingsStore();
        s->setValue("Recent Files/RecentFile1", "/a/1.mdb");
        s->setValue("Recent Files/RecentFile2", "");
        s->setValue("Recent Files/RecentFile3", "/a/3.mdb");
        s->sync();
    }
    EXPECT_EQ(MRUmodule::entries().value(1), "/a/3.mdb");   // the menu's second entry
    MRUmodule::MoveRecentToTop(2);
    EXPECT_EQ(MRUmodule::entries(), QStringList({"/a/3.mdb", "/a/1.mdb"}));
    MRUmodule::AddRecentFile("/a/new.mdb");
    EXPECT_EQ(MRUmodule::entries(), QStringList({"/a/new.mdb", "/a/3.mdb", "/a/1.mdb"}));
    auto s = openSettingsStore();
    EXPECT_EQ(s->value("Recent Files/RecentFile3").toString(), "/a/1.mdb");
    EXPECT_FALSE(s->contains("Recent Files/RecentFile4"));
}

TEST_F(RecentListTest, AFileMovedToTopIsPushedWhenNoLongerListed)
{
    for (const char* f : {"/a/1.mdb", "/a/2.mdb", "/a/3.mdb", "/a/4.mdb"})
        MRUmodule::AddRecentFile(f);
    MRUmodule::MoveFileToTop("/a/2.mdb");
    EXPECT_EQ(MRUmodule::entries(), QStringList({"/a/2.mdb", "/a/4.mdb", "/a/3.mdb", "/a/1.mdb"}));
    MRUmodule::MoveFileToTop("/a/gone.mdb");
    EXPECT_EQ(MRUmodule::entries(), QStringList({"/a/gone.mdb", "/a/2.mdb", "/a/4.mdb", "/a/3.mdb"}));
}
