#include "ocr/MakeSearchable.h"

#include "ocr/OcrDocument.h"
#include "ocr/OcrLanguages.h"
#include "ocr/SearchablePdf.h"

#include <vector>

namespace {

SearchableOutcome Outcome(SearchableOutcome::Kind kind, const wxString& text)
{
    SearchableOutcome outcome;
    outcome.kind = kind;
    outcome.text = text;
    return outcome;
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
        return Outcome(SearchableOutcome::refused, pdf.GetError() + ", left as it is");
    if (pdf.HasTextEverywhere())
        return Outcome(SearchableOutcome::hadText, "already searchable, left as it is");
    const OcrLanguages::Choice choice = languages.ForOffice(office);
    if (!choice.problem.empty())
        return Outcome(SearchableOutcome::noLanguage, choice.problem + ", left as it is");

    std::vector<int> pages;
    OcrDocument document(pool, choice);
    for (int k = 0; k < pdf.GetPageCount(); ++k)
        if (!pdf.HasText(k))
        {
            pages.push_back(k);
            document.AddPage(pdf.GetImage(k));
        }
    if (!document.Wait(keepGoing))
        return Outcome(SearchableOutcome::stopped, "stopped, left as it was");

    const std::vector<PageText> recognised = document.GetPages();
    std::vector<PageText> texts(pdf.GetPageCount());
    for (size_t k = 0; k < pages.size(); ++k)
        texts[pages[k]] = recognised[k];
    int unread = 0;
    const wxString unreadText = Unread(texts, pages, unread);
    if (unread == static_cast<int>(pages.size()))
        return Outcome(SearchableOutcome::failed, unreadText + ", left as it is");
    if (!pdf.Write(texts))
        return Outcome(SearchableOutcome::failed, pdf.GetError() + ", left as it is");

    SearchableOutcome outcome = Outcome(SearchableOutcome::made, "made searchable");
    outcome.pagesRecognised = static_cast<int>(pages.size()) - unread;
    outcome.pagesWithoutText = unread;
    if (unread > 0)
        outcome.text += ", " + unreadText;
    return outcome;
}
