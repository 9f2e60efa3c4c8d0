// Told after each successful save of the collected data, on the thread that saved (the data lock may be
// held: the save at the end of a session holds it).
#pragma once

class CQMonitor;

class ISaveDataObserver
{
public:
    virtual void OnDataSaved(CQMonitor& monitor) = 0;

protected:
    ~ISaveDataObserver() = default;
};
