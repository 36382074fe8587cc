#include "update/Version.h"

const wxString versionText = wxString::Format("2.%02d", VERSION_NUMBER);
