#pragma once

#include "jobs/pat2pdf.h"

// A job whose route fetches nothing: it only posts why, as its last status.
class noticeJob : public pat2pdf
{
public:
    noticeJob(const wxString& notice, int row, wxEvtHandler* sink);

protected:
    ExitCode Entry() override;

private:
    const wxString notice;
};
