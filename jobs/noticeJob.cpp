#include "jobs/noticeJob.h"

noticeJob::noticeJob(const wxString& notice, int row, wxEvtHandler* sink)
    : pat2pdf(row, sink), notice(notice)
{
}

wxThread::ExitCode noticeJob::Entry()
{
    PostStatus(notice);
    return 0;
}
