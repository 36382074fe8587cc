#pragma once

#include "cli/StatusView.h"

#include <set>
#include <vector>

// The rows on a terminal: a row that has ended is printed once, in full, and
// scrolls up with the others; below them, the rows under way are redrawn in
// place, each cut to the terminal's width (cursor moves, one write per
// redraw) whenever the run is idle.
class ProgressDisplay : public StatusView
{
public:
    // The entry text of every row.
    explicit ProgressDisplay(const std::vector<wxString>& entries);

    void Status(int row, const wxString& text) override;
    void Ended(int row) override;
    void Idle() override;

private:
    struct Line
    {
        wxString entry, page, status;
    };

    wxString Format(int row) const;

    std::vector<Line> lines;
    std::set<int> active;             // rows under way, redrawn
    std::vector<int> ended;           // rows ended since the last redraw
    int drawn = 0;                    // lines of the live part now on screen
    bool changed = false;
};
