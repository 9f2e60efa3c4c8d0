#include "DriverView.h"

#include "Lock.h"
#include "Service.h"
#include "StateStore.h"

#include <memory>

namespace standin
{
namespace
{

constexpr ULONGLONG RefreshMs = 200;

// The view is refreshed by a thread of its own once it is older than RefreshMs, so that a busy poll never
// waits the milliseconds that the service manager and the mount manager take to answer; until then the
// last view is used. An invalidated view is asked for at once, by the caller.
struct CachedView
{
    CriticalSection lock;
    std::shared_ptr<const DriverView> view;
    ULONGLONG refreshedMs = 0;
    bool valid = false;
    uint64_t generation = 0; // advanced by each invalidation: an older refresh must not be kept
    bool refreshing = false;
    HANDLE wake = nullptr; // the refresher's event, made with the thread
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

namespace
{
DWORD WINAPI RefreshDriverView(LPVOID)
{
    CachedView& cache = Cache();
    for (;;)
    {
        WaitForSingleObject(cache.wake, INFINITE);
        uint64_t generation;
        {
            CriticalSectionGuard guard(cache.lock);
            generation = cache.generation;
        }
        auto view = std::make_shared<const DriverView>(QueryDriverView());
        CriticalSectionGuard guard(cache.lock);
        if (cache.valid && cache.generation == generation)
        {
            cache.view = std::move(view);
            cache.refreshedMs = GetTickCount64();
        }
        cache.refreshing = false;
    }
}
} // namespace

std::shared_ptr<const DriverView> CurrentDriverView()
{
    CachedView& cache = Cache();
    CriticalSectionGuard guard(cache.lock);
    const ULONGLONG now = GetTickCount64();
    if (!cache.valid)
    {
        cache.view = std::make_shared<const DriverView>(QueryDriverView());
        cache.refreshedMs = now;
        cache.valid = true;
        return cache.view;
    }
    if (now - cache.refreshedMs >= RefreshMs && !cache.refreshing)
    {
        if (cache.wake == nullptr)
        {
            cache.wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
            HANDLE thread = cache.wake != nullptr
                                ? CreateThread(nullptr, 0, RefreshDriverView, nullptr, 0, nullptr)
                                : nullptr;
            if (thread != nullptr)
                CloseHandle(thread);
            else if (cache.wake != nullptr)
            {
                CloseHandle(cache.wake);
                cache.wake = nullptr;
            }
        }
        if (cache.wake != nullptr)
        {
            cache.refreshing = true;
            SetEvent(cache.wake);
        }
        else
        {
            // No thread to be had: refresh here, as before.
            cache.view = std::make_shared<const DriverView>(QueryDriverView());
            cache.refreshedMs = now;
        }
    }
    return cache.view;
}

void InvalidateDriverView()
{
    CachedView& cache = Cache();
    CriticalSectionGuard guard(cache.lock);
    cache.valid = false;
    ++cache.generation;
}

} // namespace standin
