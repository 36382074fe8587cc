#pragma once

#include <string>
#include <vector>

// --settings FILE: the settings file to read instead of ~/.FolioHarvester,
// before the command or among its options.
struct SettingsOption
{
    std::string path;   // empty: the usual file
    std::string error;  // why the option cannot be used, in one line

    // Takes "--settings FILE" at args[i], moving i to FILE. False when args[i]
    // is another argument; `ok` turns false, with `error` set, when FILE is
    // missing or cannot be read.
    bool Take(const std::vector<std::string>& args, size_t& i, bool& ok);
};
