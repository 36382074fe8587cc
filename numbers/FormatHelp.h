#pragma once

#include <wx/string.h>

// The description of the accepted number shapes: the entry field's tool tip
// and the tail of the error for an entry of no known shape.
const wxString& FormatHelpText();

// The error shown for an entry of no known shape, quoting it literally.
wxString UnknownFormatMessage(const wxString& entryText);
