#pragma once

#include "settings/Hosts.h"
#include "settings/NetworkSettings.h"
#include "settings/ServiceSettings.h"

class wxConfigBase;

// Everything the settings store says about fetching documents, read the same
// way by the main window and the command line: the network settings (an
// unknown connection type is "AUTO"; the older proxy layout is understood),
// the route of each kind of document and the services' addresses and keys,
// the classic route's hosts, and whether downloads are made searchable.
// Nothing here writes the store.
struct FetchSettings
{
    NetworkSettings network;
    ServiceSettings services;
    Hosts hosts;
    // Downloads are made searchable (a text layer by OCR) once their PDF is
    // complete: off unless the store's `ocr` says 1.
    bool ocr = false;
    static constexpr const char* ocrKey = "ocr";

    static FetchSettings Read(const wxConfigBase& config);
    static FetchSettings Load();

    // Whether the store still holds the older proxy layout (a proxy flag and
    // a proxy kind) that Read folded into the connection type.
    static bool HasOldProxyLayout(const wxConfigBase& config);
};
