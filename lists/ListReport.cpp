#include "lists/ListReport.h"

#include "lists/WholeFile.h"

#include <string>

namespace {

std::string ReportText(const std::vector<ReportRow>& rows)
{
    wxString text = "entry,number,status,file\r\n";
    for (const ReportRow& row : rows)
        text << CsvField(row.entry) << ',' << CsvField(row.number) << ',' << CsvField(row.status)
             << ',' << CsvField(row.file) << "\r\n";
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

}  // namespace

wxString CsvField(const wxString& value)
{
    wxString field = value;
    if (!field.empty() && wxString("=+-@\t\r").find(field[0]) != wxString::npos)
        field.Prepend("'");
    if (field.find_first_of(",\"\r\n") == wxString::npos)
        return field;
    field.Replace("\"", "\"\"");
    return "\"" + field + "\"";
}

bool WriteReport(const wxString& path, const std::vector<ReportRow>& rows, wxString& error)
{
    return WriteWholeFile(path, ReportText(rows), error);
}
