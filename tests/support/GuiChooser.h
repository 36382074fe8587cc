#pragma once

#include "GuiTest.h"

#include <gtest/gtest.h>
#include <wx/filedlg.h>
#include <wx/testing.h>

#include <dlfcn.h>

// Whether the GTK chooser behind `handle` has `path` selected.
inline bool ChooserHolds(void* handle, const wxString& path)
{
    using GetFilename = char* (*)(void*);
    using Free = void (*)(void*);
    static auto getFilename = reinterpret_cast<GetFilename>(dlsym(RTLD_DEFAULT, "gtk_file_chooser_get_filename"));
    static auto release = reinterpret_cast<Free>(dlsym(RTLD_DEFAULT, "g_free"));
    if (!getFilename || !release)
        return true;  // cannot ask: fall back to accepting at once
    char* chosen = getFilename(handle);
    const bool holds = chosen && wxString::FromUTF8(chosen) == path;
    release(chosen);
    return holds;
}

// Chooses `path` in a real GTK chooser, as a user would: moves it to the
// path and accepts. wx reads the choice from GTK only when GTK answers, so
// the answer goes through GTK itself (found at run time, since the test
// links GTK only through wx).
template <class Chooser>
void AcceptInGtk(Chooser* chooser, const wxString& path)
{
    using Respond = void (*)(void*, int);
    auto respond = reinterpret_cast<Respond>(dlsym(RTLD_DEFAULT, "gtk_dialog_response"));
    EXPECT_NE(respond, nullptr);
    chooser->Show();
    chooser->SetPath(path);
    // GTK takes the path over asynchronously; accepting before it has
    // would hand wx an empty selection.
    EXPECT_TRUE(PumpUntil([&] { return ChooserHolds(chooser->GetHandle(), path); }));
    const int gtkResponseAccept = -3;
    if (respond)
        respond(chooser->GetHandle(), gtkResponseAccept);
}

// Chooses `path` in the real GTK file chooser, for opening or saving.
class ChooseFile : public wxExpectModalBase<wxFileDialog, ChooseFile>
{
public:
    explicit ChooseFile(const wxString& path) : path(path) {}

protected:
    int OnInvoked(wxFileDialog* chooser) const override
    {
        AcceptInGtk(chooser, path);
        return wxID_OK;
    }

private:
    wxString path;
};
