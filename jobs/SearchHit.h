#pragma once

#include <wx/string.h>

#include <functional>

class wxInputStream;

// The publication number in the application search's answer: the text of
// the first hit's link. Empty when there is no hit, when `stop` asked to give
// up, or when the hit is not plain letters and digits (it would otherwise be
// sent on in a request line).
wxString FindSearchHit(wxInputStream& body, const std::function<bool()>& stop);
