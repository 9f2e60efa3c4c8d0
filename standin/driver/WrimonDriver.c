// Stand-in for the Wrimon minifilter driver, loaded by Wine's winedevice.exe. It does no filtering: it only
// marks the lifetime of one driver load. The user-mode stand-in library keeps its per-load state (the port
// session and the attachments) in the service key's "StandinState" subkey, which this driver deletes when
// it is loaded and when it is unloaded, so attachments and port connections die with the driver as they
// do with the real filter manager.
#include <ntddk.h>

static WCHAR g_stateKeyBuffer[512];
static UNICODE_STRING g_stateKey;

static void ForgetStandinState(void)
{
    if (g_stateKey.Length == 0)
        return;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &g_stateKey, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                               NULL);
    HANDLE key;
    if (NT_SUCCESS(ZwOpenKey(&key, DELETE, &attributes)))
    {
        ZwDeleteKey(key);
        ZwClose(key);
    }
}

static void NTAPI WrimonUnload(PDRIVER_OBJECT driver)
{
    (void)driver;
    ForgetStandinState();
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    g_stateKey.Buffer = g_stateKeyBuffer;
    g_stateKey.Length = 0;
    g_stateKey.MaximumLength = sizeof(g_stateKeyBuffer);
    // A registry path too long for the buffer leaves the name empty: nothing is deleted then.
    if (!NT_SUCCESS(RtlAppendUnicodeStringToString(&g_stateKey, registryPath)) ||
        !NT_SUCCESS(RtlAppendUnicodeToString(&g_stateKey, L"\\StandinState")))
        g_stateKey.Length = 0;
    ForgetStandinState();
    driver->DriverUnload = WrimonUnload;
    return STATUS_SUCCESS;
}
