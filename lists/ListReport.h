#pragma once

#include <wx/string.h>

#include <vector>

// One row of the job list as the CSV report gives it.
struct ReportRow
{
    wxString entry, number, status, file;
};

// Writes the rows as CSV (UTF-8, CR LF, header "entry,number,status,file")
// through a temporary file beside PATH that replaces it only when complete.
// Fields are quoted as RFC 4180 says; one starting with = + - @ TAB or CR
// gets a leading ' so a spreadsheet shows it instead of computing it. False with a
// one-line error "PATH: reason" on failure, and PATH untouched.
bool WriteReport(const wxString& path, const std::vector<ReportRow>& rows, wxString& error);

// One field as the report writes it.
wxString CsvField(const wxString& value);
