#include "app/JobListView.h"

#include <wx/listctrl.h>
#include <wx/time.h>
#include <wx/tooltip.h>

#include <algorithm>

namespace {

const int statusColumn = 1;
const int narrowestStatus = 80;

// The status of the row under the mouse, however wide, as the tip of the
// window the mouse is in (the generic list's rows are an inner window).
void TipRowUnderMouse(wxListView* list, wxWindow* window, const wxPoint& position)
{
    const long row = JobListView::RowAt(list, list->ScreenToClient(window->ClientToScreen(position)));
    const wxString tip = row == -1 ? wxString() : list->GetItemText(row, statusColumn);
    if (tip.empty())
        window->UnsetToolTip();
    else if (window->GetToolTipText() != tip)
        window->SetToolTip(tip);
}

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
        window->Bind(wxEVT_MOTION, [list, window](wxMouseEvent& event) {
            event.Skip();
            TipRowUnderMouse(list, window, event.GetPosition());
        });
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

// Only the rows in view are asked: their rectangles are in the list's own
// coordinates on every platform, which hit-testing's are not.
long JobListView::RowAt(wxListView* list, const wxPoint& point)
{
    const long top = list->GetTopItem();
    const long end = std::min<long>(list->GetItemCount(), top + list->GetCountPerPage() + 1);
    for (long row = std::max(top, 0L); row < end; ++row) {
        wxRect rect;
        if (list->GetItemRect(row, rect) && rect.Contains(point))
            return row;
    }
    return -1;
}

bool JobListView::UserScrolledLately() const
{
    return *lastUserScroll != 0 && wxGetLocalTimeMillis() - *lastUserScroll < quietMilliseconds;
}
