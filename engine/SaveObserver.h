// Told after each successful save of the collected data, on the user-interface thread: at once after a
// save there, at the next refresh after an autosave. No monitor lock is held.
#pragma once

class CQMonitor;

class ISaveDataObserver
{
public:
    virtual void OnDataSaved(CQMonitor& monitor) = 0;

protected:
    ~ISaveDataObserver() = default;
};
