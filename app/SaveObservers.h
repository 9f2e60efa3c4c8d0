// The monitor tells one observer about each save of the collected data; this one passes the news on to
// several (the write history and the drive health), in the order they were added.
#pragma once

#include <vector>

#include "engine/SaveObserver.h"

class CQSaveObservers : public ISaveDataObserver
{
public:
    // Not owned; each must outlive this object or be removed first.
    void Add(ISaveDataObserver* observer) { m_arrObservers.push_back(observer); }
    void OnSaveBegins(const CQStatisticsBlock& saved, const CQPtrArray<CQProcess>& processes) override
    {
        for (ISaveDataObserver* observer : m_arrObservers)
            observer->OnSaveBegins(saved, processes);
    }
    void OnDataSaved() override
    {
        for (ISaveDataObserver* observer : m_arrObservers)
            observer->OnDataSaved();
    }

private:
    std::vector<ISaveDataObserver*> m_arrObservers;
};
