#include "services/eps/EpsContext.h"

#include "net/HttpAnswer.h"

void EpsContext::ObserveQuota(const wxString& used, const wxString& remaining)
{
    const auto usedFigure = HeaderCount(used);
    const auto remainingFigure = HeaderCount(remaining);
    std::lock_guard<std::mutex> lock(mutex);
    if (usedFigure)
        quota.used = usedFigure;
    if (remainingFigure)
        quota.remaining = remainingFigure;
}

EpsContext::Quota EpsContext::WeeklyQuota() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return quota;
}
