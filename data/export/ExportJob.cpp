#include "data/export/ExportJob.h"

#include "data/Error.h"

CQExportJob::~CQExportJob()
{
    Stop();
}

bool CQExportJob::Start(const CQExportSource& source, const std::wstring& path)
{
    if (m_hThread)
        return false;
    m_source = source;
    m_csPath = path;
    m_progress.m_qwordRows.store(0);
    m_progress.m_boolStop.store(false);
    m_result = CQExportResult();
    m_hThread = ::CreateThread(nullptr, 0, Run, this, 0, nullptr);
    if (!m_hThread)
    {
        CQError error(L"Creating export thread");
        return false;
    }
    return true;
}

bool CQExportJob::HasEnded() const
{
    return m_hThread && ::WaitForSingleObject(m_hThread, 0) == WAIT_OBJECT_0;
}

CQExportResult CQExportJob::TakeResult()
{
    if (!m_hThread)
    {
        CQExportResult none;
        none.m_outcome = CQExportResult::stopped;
        return none;
    }
    ::WaitForSingleObject(m_hThread, INFINITE);
    ::CloseHandle(m_hThread);
    m_hThread = nullptr;
    return m_result;
}

CQExportResult CQExportJob::Stop()
{
    RequestStop();
    return TakeResult();
}

DWORD WINAPI CQExportJob::Run(LPVOID parameter)
{
    CQExportJob* job = static_cast<CQExportJob*>(parameter);
    job->m_result = ExportTreeAsCsv(job->m_source, job->m_csPath, job->m_progress);
    return 0;
}
