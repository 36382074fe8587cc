#include "services/eps/EpsContext.h"

namespace {

std::optional<unsigned long long> Figure(const wxString& header)
{
    const wxString digits = wxString(header).Trim().Trim(false);
    unsigned long long value = 0;
    if (digits.empty() || digits.find_first_not_of("0123456789") != wxString::npos ||
        !digits.ToULongLong(&value))
        return std::nullopt;
    return value;
}

}  // namespace

void EpsContext::ObserveQuota(const wxString& used, const wxString& remaining)
{
    const auto usedFigure = Figure(used);
    const auto remainingFigure = Figure(remaining);
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
