// A real application context for window tests: the program's registry keys set aside (scratch), a
// settings store published, then g_pAppContext created; everything undone in reverse at destruction.
// The context reads and writes the registry (settings, Run entry) like the program does.
#pragma once

#include <memory>

#include "app/AppContext.h"
#include "app/Registry.h"
#include "support/RegistryScratch.h"

class ScopedAppContext
{
public:
    ScopedAppContext();
    ~ScopedAppContext();
    ScopedAppContext(const ScopedAppContext&) = delete;
    ScopedAppContext& operator=(const ScopedAppContext&) = delete;

    CQAppContext& Context() { return *m_context; }
    CQMonitor& Monitor() { return m_context->m_monitor; }

    // Deletes the context now (it saves the interface settings as it goes); the store and the scratch
    // keys stay until the object goes.
    void DestroyContext();

private:
    TavrelloRegistryScratch m_scratch;
    CQRegistry* m_previousStore;
    std::unique_ptr<CQRegistry> m_store;
    CQAppContext* m_previousContext;
    std::unique_ptr<CQAppContext> m_context;
};
