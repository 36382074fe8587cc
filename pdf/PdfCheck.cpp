#include "pdf/PdfCheck.h"

#include <qpdf/Pl_Discard.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>

wxString ReadOfficePdf(QPDF& reader, const std::string& pdf)
{
    if (pdf.compare(0, 5, "%PDF-") != 0)
        return "Not a PDF";
    reader.setSuppressWarnings(true);
    reader.setAttemptRecovery(false);
    reader.processMemoryFile("office PDF", pdf.data(), pdf.size());
    return reader.isEncrypted() ? "Encrypted PDF" : "";
}

bool CheckWholePdf(const std::string& pdf, int& pageCount, wxString& error)
{
    pageCount = 0;
    try
    {
        QPDF reader;
        error = ReadOfficePdf(reader, pdf);
        if (!error.empty())
            return false;
        pageCount = static_cast<int>(QPDFPageDocumentHelper(reader).getAllPages().size());
        // Writing every object somewhere reads all of them, streams decoded.
        Pl_Discard discard;
        QPDFWriter writer(reader);
        writer.setOutputPipeline(&discard);
        writer.setDecodeLevel(qpdf_dl_generalized);
        writer.write();
        if (reader.anyWarnings())
            error = "Damaged PDF";
        else if (pageCount == 0)
            error = "PDF without pages";
    }
    catch (const std::exception& failure)
    {
        error = "Damaged PDF: " + wxString::FromUTF8(failure.what()).BeforeFirst('\n');
    }
    return error.empty();
}
