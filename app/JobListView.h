#pragma once

#include <wx/gdicmn.h>
#include <wx/longlong.h>

#include <memory>

class wxListView;

// How the job list shows itself: the "Status" column takes whatever width the
// first column leaves, rows are brought into view unless the user is moving
// through the list himself, and a row's whole status is its tool tip.
class JobListView
{
public:
    explicit JobListView(wxListView* list);

    // A new row is always shown.
    void ShowRow(long row);
    // A row that changed on its own is shown only when the user has not
    // scrolled, paged or wheeled the list for a few seconds.
    void ShowRowUnlessScrolling(long row);

    static void FitStatusColumn(wxListView* list);
    // The row at a point of the list's client area, -1 where there is none.
    static long RowAt(wxListView* list, const wxPoint& point);

    static constexpr int quietMilliseconds = 3000;

private:
    bool UserScrolledLately() const;

    wxListView* list;
    // Shared with the list's event handlers, which may outlive this object
    // while the window is torn down.
    std::shared_ptr<wxLongLong> lastUserScroll = std::make_shared<wxLongLong>(0);
};
