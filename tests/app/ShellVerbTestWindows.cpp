#include "app/PdfLauncher.h"

#include "TempHome.h"

#include <wx/msw/registry.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

// A document type of the test's own, printed by copying the file beside
// itself, so the shell's "print" verb shows what it ran. Registered in
// HKEY_CLASSES_ROOT: Windows shows a user's own classes there too, Wine 8
// only the machine's.
class RegisteredPrinter : public ::testing::Test
{
protected:
    void SetUp() override
    {
        wxRegKey extension(wxRegKey::HKCR, ".fhprinttest");
        ASSERT_TRUE(extension.Create());
        ASSERT_TRUE(extension.SetValue("", "FolioHarvester.PrintTest"));
        wxRegKey command(wxRegKey::HKCR, "FolioHarvester.PrintTest\\shell\\print\\command");
        ASSERT_TRUE(command.Create());
        ASSERT_TRUE(command.SetValue("", "cmd.exe /c copy \"%1\" \"%1.printed\""));
    }

    void TearDown() override
    {
        wxRegKey(wxRegKey::HKCR, ".fhprinttest").DeleteSelf();
        wxRegKey(wxRegKey::HKCR, "FolioHarvester.PrintTest").DeleteSelf();
    }

    static bool AppearsSoon(const std::string& path)
    {
        for (int i = 0; i < 200 && !FileExists(path); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return FileExists(path);
    }

    TempHome home;
    PdfLauncher launcher;
};

TEST_F(RegisteredPrinter, PrintRunsTheShellsPrintVerbAndAnUnknownTypeIsRefused)
{
    const std::string document = home.Path() + "\\5123456 with space.fhprinttest";
    WriteFile(document, CompletePdfStub());
    ASSERT_TRUE(launcher.Print(document));
    EXPECT_TRUE(AppearsSoon(document + ".printed"));

    const std::string unknown = home.Path() + "\\5123456.fhnoprogram";
    WriteFile(unknown, CompletePdfStub());
    EXPECT_FALSE(launcher.Print(unknown));
    EXPECT_FALSE(launcher.Open(unknown));
}

}  // namespace
