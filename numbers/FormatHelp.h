#pragma once

#include <wx/string.h>

#include <vector>

// One kind of number the entry field takes: where such documents come from
// on the default routes, and examples that work there.
struct FormatGroup
{
    struct Example
    {
        const char* number;
        const char* what;
    };

    const char* anchor;  // the help page's name for its section
    const char* title;
    const char* source;  // where the documents come from, and whether a key is needed
    std::vector<Example> examples;
    const char* note;  // a sentence after the examples, or null
};

// The kinds of number, in the order the entry field's tip and the help page
// show them.
const std::vector<FormatGroup>& FormatGroups();

// How to get the free EPO OPS key that WO and other offices' documents need.
extern const char* const opsKeySteps;
extern const char* const opsPortalAddress;

// The description of the accepted number shapes: the entry field's tool tip
// and the tail of the error for an entry of no known shape.
const wxString& FormatHelpText();

// The error shown for an entry of no known shape, quoting it literally.
wxString UnknownFormatMessage(const wxString& entryText);
