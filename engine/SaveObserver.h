// Told about each save of the collected data; the write history keeps its file in step with the data
// through it. No monitor lock is held during either call.
#pragma once

#include "engine/StatisticsBlock.h"

class CQProcess;
template <typename T> class CQPtrArray;

class ISaveDataObserver
{
public:
    // At the start of a save, on the thread that asks for it, while the writers of the data are held:
    // the figures that the save writes and the process records that go with them (unchanged during the
    // call).
    virtual void OnSaveBegins(const CQStatisticsBlock& saved, const CQPtrArray<CQProcess>& processes) = 0;
    // On the thread that wrote, once the data of the save that began last is on the disk: in its place,
    // or complete beside it where the next start takes it.
    virtual void OnDataSaved() = 0;

protected:
    ~ISaveDataObserver() = default;
};
