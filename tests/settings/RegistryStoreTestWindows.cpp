#include "settings/SettingsStore.h"

#include "TempHome.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/msw/registry.h>

#include <gtest/gtest.h>

namespace {

const char storeKey[] = "Software\\FolioHarvester";

// Starts and ends without the program's key, so each case sees only its own values.
class RegistryStore : public ::testing::Test
{
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override
    {
        wxRegKey key(wxRegKey::HKCU, storeKey);
        if (key.Exists())
            key.DeleteSelf();
    }
};

TEST_F(RegistryStore, SettingsLiveUnderTheUsersKeyWithGroupsAsSubkeys)
{
    {
        auto store = OpenSettingsStore();
        store->Write("Path", "C:\\Users\\someone\\Patents");
        store->Write("max_threads", 5);
        store->Write("hosts/maker", "updates.example:8080");
    }
    wxRegKey top(wxRegKey::HKCU, storeKey);
    wxString path;
    ASSERT_TRUE(top.QueryValue("Path", path));
    EXPECT_EQ(path, "C:\\Users\\someone\\Patents");
    wxString maker;
    ASSERT_TRUE(wxRegKey(wxRegKey::HKCU, wxString(storeKey) + "\\hosts").QueryValue("maker", maker));
    EXPECT_EQ(maker, "updates.example:8080");

    // Values typed into the registry by hand may be strings or DWORDs.
    ASSERT_TRUE(top.SetValue("ocr", " 1"));
    ASSERT_TRUE(top.SetValue("proxyPort", 3128L));
    auto again = OpenSettingsStore();
    EXPECT_EQ(again->ReadLong("max_threads", 3), 5);
    EXPECT_EQ(again->ReadLong("ocr", 0), 1);
    EXPECT_EQ(again->Read("proxyPort", "80"), "3128");
    EXPECT_EQ(again->Read("hosts/maker", ""), "updates.example:8080");
}

TEST_F(RegistryStore, ASettingsFileNamedOnTheCommandLineTakesItsPlaceUntilCleared)
{
    const wxString chosen = wxFileName::CreateTempFileName("fh");
    WriteFile(std::string(chosen.utf8_str()), "max_threads=7\n[hosts]\nmaker=file.example\n");
    OpenSettingsStore()->Write("max_threads", 2);

    UseSettingsFile(chosen);
    EXPECT_EQ(OpenSettingsStore()->ReadLong("max_threads", 3), 7);
    EXPECT_EQ(OpenSettingsStore()->Read("hosts/maker", ""), "file.example");
    UseSettingsFile("");
    EXPECT_EQ(OpenSettingsStore()->ReadLong("max_threads", 3), 2);
    wxRemoveFile(chosen);
}

}  // namespace
