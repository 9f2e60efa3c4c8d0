#include "support/ScopedAppContext.h"

ScopedAppContext::ScopedAppContext()
    : m_previousStore(GetSettingsStore()),
      m_store(std::make_unique<CQRegistry>(L"Orvek software", L"Tavrello")), m_previousContext(g_pAppContext)
{
    SetSettingsStore(m_store.get());
    m_context = std::make_unique<CQAppContext>();
    g_pAppContext = m_context.get();
}

ScopedAppContext::~ScopedAppContext()
{
    DestroyContext();
    g_pAppContext = m_previousContext;
    m_store.reset();
    SetSettingsStore(m_previousStore);
}

void ScopedAppContext::DestroyContext()
{
    if (!m_context)
        return;
    if (g_pAppContext == m_context.get())
        g_pAppContext = nullptr;
    m_context.reset();
}
