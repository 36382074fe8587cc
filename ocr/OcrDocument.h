#pragma once

#include "ocr/OcrLanguages.h"
#include "ocr/PageText.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class OcrPool;
struct FaxImage;

// One document's pages recognised on a shared pool, each page added when it
// is there (a download adds them as they arrive), in the document's
// languages. Pages of an office whose languages are not installed are not
// recognised: their texts carry the reason.
class OcrDocument
{
public:
    OcrDocument(OcrPool& pool, const OcrLanguages::Choice& languages);
    // Stop(): the pool drops what is still queued and the running pages end.
    ~OcrDocument();
    OcrDocument(const OcrDocument&) = delete;
    OcrDocument& operator=(const OcrDocument&) = delete;

    // Queues a copy of `page` behind the pages added before it.
    void AddPage(const FaxImage& page);

    // Waits until every page added is done or the document is stopped.
    // `keepGoing(done, added)` is asked on this thread whenever a page is
    // done and at least every 50 ms; false stops the document. True when
    // every page was done without a stop.
    bool Wait(const std::function<bool(int done, int added)>& keepGoing = {});
    // From any thread.
    void Stop();

    // The pages' texts in the order added; those not done are not
    // recognised ("stopped").
    std::vector<PageText> GetPages() const;

    struct State;

private:
    OcrPool& pool;
    std::shared_ptr<State> state;
};
