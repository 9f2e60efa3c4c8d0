#include "DriverView.h"

#include "Lock.h"
#include "Service.h"
#include "StateStore.h"

namespace standin
{
namespace
{

constexpr ULONGLONG RefreshMs = 200;

struct CachedView
{
    CriticalSection lock;
    DriverView view;
    ULONGLONG refreshedMs = 0;
    bool valid = false;
};

CachedView& Cache()
{
    static CachedView cache;
    return cache;
}

DriverView QueryDriverView()
{
    DriverView view;
    view.Running = IsWrimonRunning();
    view.Volumes = ListFixedVolumes();
    if (!view.Running)
        return view;
    view.Session = ReadSession();
    for (const std::wstring& name : ReadAttachedVolumes())
    {
        for (const FixedVolume& volume : view.Volumes)
        {
            if (EqualsNoCase(volume.DeviceName, name))
                view.Attached.push_back(volume);
        }
    }
    return view;
}

} // namespace

bool DriverView::IsAttached(const std::wstring& volumeDeviceName) const
{
    for (const FixedVolume& volume : Attached)
    {
        if (EqualsNoCase(volume.DeviceName, volumeDeviceName))
            return true;
    }
    return false;
}

DriverView CurrentDriverView()
{
    CachedView& cache = Cache();
    CriticalSectionGuard guard(cache.lock);
    const ULONGLONG now = GetTickCount64();
    if (!cache.valid || now - cache.refreshedMs >= RefreshMs)
    {
        cache.view = QueryDriverView();
        cache.refreshedMs = now;
        cache.valid = true;
    }
    return cache.view;
}

void InvalidateDriverView()
{
    CachedView& cache = Cache();
    CriticalSectionGuard guard(cache.lock);
    cache.valid = false;
}

} // namespace standin
