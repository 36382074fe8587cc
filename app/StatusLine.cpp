#include "app/StatusLine.h"

#include <algorithm>

namespace {

// The widest texts shown together at start-up, and the room they share with
// the size grip in a window of the default width once the field borders are off.
const char widestCounter[] = "0 Pages Downloaded from the USPTO";
const char widestCheck[] = "Checking for available updates...";
const int sharedRoom = 400 - 24;
const double smallestPoints = 6.5;
const int emptyFieldWidth = 40;  // pixels
const int textMargin = 2;        // kept free on either side of a field's text

}  // namespace

StatusLine::StatusLine(wxWindow* parent, wxWindowID id, long style, const wxString& name)
    : wxStatusBar(parent, id, style, name)
{
    FitFont();
}

int StatusLine::TextWidth(const wxString& text) const
{
    return GetTextExtent(text).x + 2 * (GetBorderX() + textMargin);
}

// The size grip is as wide as the line is tall, and no text is drawn over it.
int StatusLine::GripWidth() const
{
    // The line keeps the height of its first font when a smaller one is set.
    return HasFlag(wxSTB_SIZEGRIP) ? std::max(GetSize().y, GetBestSize().y) : 0;
}

void StatusLine::FitFont()
{
    wxFont font = GetFont();
    SetFont(font);
    while (font.GetFractionalPointSize() > smallestPoints &&
           TextWidth(widestCounter) + TextWidth(widestCheck) + GripWidth() > sharedRoom) {
        font.SetFractionalPointSize(font.GetFractionalPointSize() - 0.5);
        SetFont(font);
    }
}

// The toolkit's own version repaints at once and waits for the display,
// which the page counter, changing with every page, cannot afford: the field
// is drawn with the next paint instead.
void StatusLine::DoUpdateStatusText(int field)
{
    FitFields();
    wxRect rect;
    if (GetFieldRect(field, rect))
        Refresh(true, &rect);
}

// The fields after the first are as wide as their texts (the last one also
// clear of the size grip); the first takes the rest, so a long text there,
// such as a row's status, is the one that gives up its start.
void StatusLine::FitFields()
{
    const int count = GetFieldsCount();
    if (count < 1)
        return;
    std::vector<int> widths{-1};
    for (int field = 1; field < count; ++field) {
        const wxString text = GetStatusText(field);
        const int grip = field == count - 1 ? GripWidth() : 0;
        widths.push_back((text.empty() ? emptyFieldWidth : TextWidth(text)) + grip);
    }
    if (widths != fieldWidths) {
        fieldWidths = widths;
        SetStatusWidths(count, widths.data());
    }
}
