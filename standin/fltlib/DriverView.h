// What the stand-in knows of the driver for delivering records: whether it runs, its session and the
// attached volumes. Asking the service manager and the registry for every request would slow a busy
// poll, so the view is kept for a short while.
#pragma once

#include "Volumes.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace standin
{

struct DriverView
{
    bool Running = false;
    uint64_t Session = 0;              // 0 while no port or attachment has opened one
    std::vector<FixedVolume> Volumes;  // all fixed volumes
    std::vector<FixedVolume> Attached; // those with at least one instance

    bool IsAttached(const std::wstring& volumeDeviceName) const;
};

// The view. One older than 200 ms is refreshed in the background (the caller goes on with it meanwhile);
// an invalidated one is asked for at once.
std::shared_ptr<const DriverView> CurrentDriverView();
// Makes the next CurrentDriverView ask again (after a change made by this process).
void InvalidateDriverView();

} // namespace standin
