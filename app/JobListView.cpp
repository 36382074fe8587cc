#include "app/JobListView.h"

#include <wx/listctrl.h>
#include <wx/time.h>

#include <algorithm>

namespace {

const int statusColumn = 1;
const int narrowestStatus = 80;

// Refitted once the list has laid itself out after the change.
void FitLater(wxListView* list)
{
    list->CallAfter([list] { JobListView::FitStatusColumn(list); });
}

}  // namespace

JobListView::JobListView(wxListView* list)
    : list(list)
{
    // The generic list scrolls an inner window, which gets the mouse and the
    // keys, while the scroll bars belong to the list itself.
    wxWindowList windows = list->GetChildren();
    windows.push_front(list);
    std::shared_ptr<wxLongLong> scrolled = lastUserScroll;
    auto noteScroll = [scrolled](wxEvent& event) {
        *scrolled = wxGetLocalTimeMillis();
        event.Skip();
    };
    for (wxWindow* window : windows) {
        window->Bind(wxEVT_MOUSEWHEEL, noteScroll);
        window->Bind(wxEVT_KEY_DOWN, noteScroll);
        for (wxEventType type : {wxEVT_SCROLLWIN_TOP, wxEVT_SCROLLWIN_BOTTOM, wxEVT_SCROLLWIN_LINEUP,
                                 wxEVT_SCROLLWIN_LINEDOWN, wxEVT_SCROLLWIN_PAGEUP,
                                 wxEVT_SCROLLWIN_PAGEDOWN, wxEVT_SCROLLWIN_THUMBTRACK,
                                 wxEVT_SCROLLWIN_THUMBRELEASE})
            window->Bind(wxEventTypeTag<wxScrollWinEvent>(type), noteScroll);
    }
    list->Bind(wxEVT_SIZE, [list](wxSizeEvent& event) {
        event.Skip();
        FitLater(list);
    });
    list->Bind(wxEVT_LIST_COL_END_DRAG, [list](wxListEvent& event) {
        event.Skip();
        FitLater(list);
    });
}

void JobListView::ShowRow(long row)
{
    // The first rows can bring in the vertical scroll bar, whose width comes
    // off the columns.
    FitLater(list);
    list->EnsureVisible(row);
}

void JobListView::ShowRowUnlessScrolling(long row)
{
    if (!UserScrolledLately())
        list->EnsureVisible(row);
}

void JobListView::FitStatusColumn(wxListView* list)
{
    const int rest = list->GetClientSize().x - list->GetColumnWidth(0);
    const int width = std::max(rest, narrowestStatus);
    if (list->GetColumnWidth(statusColumn) != width)
        list->SetColumnWidth(statusColumn, width);
}

bool JobListView::UserScrolledLately() const
{
    return *lastUserScroll != 0 && wxGetLocalTimeMillis() - *lastUserScroll < quietMilliseconds;
}
