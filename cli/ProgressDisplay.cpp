#include "cli/ProgressDisplay.h"

#include "cli/TerminalSize.h"

#include <wx/regex.h>

namespace {

// "2/3" of a status "Downloading page 2 of 3"; empty for other statuses.
wxString PageOf(const wxString& status)
{
    static wxRegEx page("page ([0-9]+) of ([0-9]+)", wxRE_EXTENDED);
    if (!page.Matches(status))
        return wxString();
    return page.GetMatch(status, 1) + "/" + page.GetMatch(status, 2);
}

// A line never wraps, or the cursor moves would miss the live part's top.
std::string Fitted(const wxString& line, int columns)
{
    const size_t width = columns > 1 ? static_cast<size_t>(columns - 1) : 1;
    return (line.length() > width ? line.Left(width) : line).utf8_string() + "\n";
}

}  // namespace

ProgressDisplay::ProgressDisplay(const std::vector<wxString>& entries)
{
    for (const wxString& entry : entries)
        lines.push_back({entry, wxString(), wxString()});
}

void ProgressDisplay::Status(int row, const wxString& text)
{
    Line& line = lines.at(static_cast<size_t>(row));
    line.status = text;
    const wxString page = PageOf(text);
    if (!page.empty())
        line.page = page;
    active.insert(row);
    changed = true;
}

void ProgressDisplay::Ended(int row)
{
    active.erase(row);
    ended.push_back(row);
    changed = true;
}

void ProgressDisplay::Idle()
{
    if (!changed || Error() != 0)
        return;
    changed = false;
    const TerminalSize size = SizeOfTerminal();
    std::string screen = "\r";
    if (drawn > 0)
        screen += "\x1b[" + std::to_string(drawn) + "A";
    screen += "\x1b[J";
    // An ended row is printed once, above the live part, and never redrawn:
    // it may take several lines, so its whole status can be read.
    for (int row : ended)
        screen += Format(row).utf8_string() + "\n";
    ended.clear();
    // The live part fits the screen, or the cursor could not get back up.
    const size_t room = static_cast<size_t>(std::max(size.rows - 2, 1));
    drawn = 0;
    for (int row : active) {
        if (static_cast<size_t>(drawn) + 1 == room && active.size() > room) {
            screen += Fitted(wxString::Format("      ... %zu more under way", active.size() - drawn),
                             size.columns);
            ++drawn;
            break;
        }
        screen += Fitted(Format(row), size.columns);
        ++drawn;
    }
    Write(screen);
}

wxString ProgressDisplay::Format(int row) const
{
    const Line& line = lines.at(static_cast<size_t>(row));
    wxString entry = line.entry;
    if (entry.length() > 20)
        entry = entry.Left(19) + "~";
    return wxString::Format("%4d  %-20s %7s  %s", row, entry, line.page, line.status);
}
