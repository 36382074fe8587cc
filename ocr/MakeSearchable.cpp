#include "ocr/MakeSearchable.h"

#include "ocr/OcrDocument.h"
#include "ocr/OcrLanguages.h"
#include "ocr/SearchablePdf.h"

#include <vector>

namespace {

SearchableOutcome Outcome(SearchableOutcome::Kind kind, const wxString& text, const wxString& reason = wxString())
{
    SearchableOutcome outcome;
    outcome.kind = kind;
    outcome.text = text;
    outcome.reason = reason;
    return outcome;
}

// A file left as it is, and why.
SearchableOutcome LeftAsItIs(SearchableOutcome::Kind kind, const wxString& reason)
{
    return Outcome(kind, reason + ", left as it is", reason);
}

// "page 3 without text (unreadable fax image)", for the first such page.
wxString Unread(const std::vector<PageText>& texts, const std::vector<int>& pages, int& count)
{
    wxString first;
    count = 0;
    for (int page : pages)
        if (!texts[page].recognised && count++ == 0)
            first = wxString::Format("page %d without text (%s)", page + 1, texts[page].problem);
    if (count > 1)
        first += wxString::Format(" and %d more", count - 1);
    return first;
}

}  // namespace

SearchableOutcome MakeSearchable(const wxString& path, const wxString& office, OcrPool& pool,
                                 const OcrLanguages& languages,
                                 const std::function<bool(int done, int total)>& keepGoing)
{
    SearchablePdf pdf(path);
    if (!pdf.IsOk())
        return LeftAsItIs(SearchableOutcome::refused, pdf.GetError());
    if (pdf.HasTextEverywhere())
        return Outcome(SearchableOutcome::hadText, "already searchable, left as it is");
    const OcrLanguages::Choice choice = languages.ForOffice(office);
    if (!choice.problem.empty())
        return LeftAsItIs(SearchableOutcome::noLanguage, choice.problem);

    std::vector<int> pages;
    OcrDocument document(pool, choice);
    for (int k = 0; k < pdf.GetPageCount(); ++k)
        if (!pdf.HasText(k))
        {
            pages.push_back(k);
            document.AddPage(pdf.GetImage(k));
        }
    if (!document.Wait(keepGoing))
        return Outcome(SearchableOutcome::stopped, "stopped, left as it was", "stopped");

    const std::vector<PageText> recognised = document.GetPages();
    std::vector<PageText> texts(pdf.GetPageCount());
    for (size_t k = 0; k < pages.size(); ++k)
        texts[pages[k]] = recognised[k];
    int unread = 0;
    const wxString unreadText = Unread(texts, pages, unread);
    if (unread == static_cast<int>(pages.size()))
        return LeftAsItIs(SearchableOutcome::failed, unreadText);
    if (!pdf.Write(texts))
        return LeftAsItIs(SearchableOutcome::failed, pdf.GetError());

    SearchableOutcome outcome = Outcome(SearchableOutcome::made, "made searchable");
    outcome.pagesRecognised = static_cast<int>(pages.size()) - unread;
    outcome.pagesWithoutText = unread;
    if (unread > 0)
    {
        outcome.reason = unreadText;
        outcome.text += ", " + unreadText;
    }
    return outcome;
}
