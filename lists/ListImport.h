#pragma once

#include "lists/ListFile.h"
#include "numbers/Classification.h"

#include <set>

// What of a list becomes rows: the valid entries whose document is not
// listed yet, and the invalid ones.
struct ListImport
{
    std::vector<ListLine> add;      // in file order
    std::vector<ListLine> invalid;  // unknown format, too long or holding a NUL byte, in file order
    size_t duplicates = 0;          // valid entries whose document was listed already
};

// `listed` holds the keys (DocumentKey) of the documents already listed and
// receives those of the added entries.
ListImport SortList(const ListFile& list, std::set<wxString>& listed);

// The same document typed two ways ("5,123,456", "5123456") gives one key;
// different documents give different keys. Empty for an invalid entry.
wxString DocumentKey(const Classification& entry);
