#include "lists/ListImport.h"

#include <algorithm>

ListImport SortList(const ListFile& list, std::set<wxString>& listed)
{
    ListImport result;
    result.invalid = list.tooLong;
    result.invalid.insert(result.invalid.end(), list.withNul.begin(), list.withNul.end());
    for (const ListLine& entry : list.entries) {
        const wxString key = DocumentKey(Classify(entry.text));
        if (key.empty())
            result.invalid.push_back(entry);
        else if (listed.insert(key).second)
            result.add.push_back(entry);
        else
            ++result.duplicates;
    }
    std::stable_sort(result.invalid.begin(), result.invalid.end(),
                     [](const ListLine& a, const ListLine& b) { return a.line < b.line; });
    return result;
}

wxString DocumentKey(const Classification& entry)
{
    if (!entry.Valid())
        return wxString();
    // The file a document is saved as names it; an entry the job will not
    // resolve has no file and is known only by what was typed.
    const wxString kind = entry.kind == Classification::us ? "us:" : "other:";
    return kind + (entry.file.empty() ? "typed:" + entry.typed : entry.file).Upper();
}
