#include "app/StatusLine.h"

#include <algorithm>

namespace {

// The widest texts shown together at start-up, and the room they share in a
// window of the default width once the size grip and field borders are off.
const char widestCounter[] = "0 Pages Downloaded from the USPTO";
const char widestCheck[] = "Checking for available updates...";
const int sharedRoom = 400 - 24;
const double smallestPoints = 6.5;
const int emptyFieldWeight = 40;

}  // namespace

StatusLine::StatusLine(wxWindow* parent, wxWindowID id, long style, const wxString& name)
    : wxStatusBar(parent, id, style, name)
{
    FitFont();
}

int StatusLine::TextWidth(const wxString& text) const
{
    return GetTextExtent(text).x + 2 * GetBorderX();
}

void StatusLine::FitFont()
{
    wxFont font = GetFont();
    SetFont(font);
    while (font.GetFractionalPointSize() > smallestPoints &&
           TextWidth(widestCounter) + TextWidth(widestCheck) > sharedRoom) {
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

// Negative widths share the line in proportion, as the texts need it.
void StatusLine::FitFields()
{
    const int count = GetFieldsCount();
    if (count < 1)
        return;
    std::vector<int> weights;
    for (int field = 0; field < count; ++field) {
        const wxString text = GetStatusText(field);
        weights.push_back(-(text.empty() ? emptyFieldWeight : TextWidth(text)));
    }
    if (weights != fieldWeights) {
        fieldWeights = weights;
        SetStatusWidths(count, weights.data());
    }
}
