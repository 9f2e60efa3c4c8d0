// Stand-in for a machine's physical disks, loaded by Wine's winedevice.exe as the kernel service
// "StandinDisk". Wine has no SMART: its own \\.\PhysicalDriveN answers no health query. For each subkey N of
// the service key's "Disks" subkey this driver creates a device of its own and points the link
// \DosDevices\PhysicalDriveN at it (Wine's link is put back when the driver unloads).
//
// The disk's values are read at every request, so a test can change a drive while a program runs:
// BusType (DWORD, the STORAGE_BUS_TYPE value), Model, Serial, Firmware (strings), Size (QWORD bytes),
// NvmeHealth (512 bytes), AtaIdentify (512), AtaSmartData (512) and AtaDeviceStatistics (page k at offset
// k x 512). A value that is absent makes its query fail as a device without that support would. Three more
// values inject what Wine cannot produce: NvmeProperty (49: only the adapter property answers the NVMe log
// query instead of the device property, 50), PassThrough (0: ATA pass-through refused, as by drivers that
// only take SMART_RCV_DRIVE_DATA) and Stall (non-zero: requests stay pending until they are cancelled or the
// handle is closed, as from a disk that does not answer).
//
// The wire layouts are written out here from the Windows headers' documentation, apart from the program's.
#include <ntddk.h>
#include <ntdddisk.h>
#include <ntddscsi.h>
#include <ntddstor.h>

// Pool tag "SdDk" (read backwards in a pool dump).
#define SD_TAG 0x6B446453u
#define SD_MAX_DISKS 32
#define SD_MAX_STALLED 16
#define SD_SECTOR 512
#define SD_PAGE_BYTES 512
// Far more than 255 pages of the device statistics log.
#define SD_MAX_VALUE_BYTES (256 * 1024)

#define SD_BUS_ATA 3
#define SD_BUS_SATA 11

#define SD_PROPERTY_DEVICE 0
#define SD_PROPERTY_ADAPTER_PROTOCOL 49
#define SD_PROPERTY_DEVICE_PROTOCOL 50
#define SD_PROTOCOL_NVME 3
#define SD_NVME_DATA_LOG_PAGE 2
#define SD_NVME_LOG_HEALTH 2

#define SD_ATA_IDENTIFY 0xEC
#define SD_ATA_SMART 0xB0
#define SD_ATA_READ_LOG_EXT 0x2F
#define SD_SMART_READ_DATA 0xD0
#define SD_SMART_READ_LOG 0xD5
#define SD_SMART_LBA_MID 0x4F
#define SD_SMART_LBA_HIGH 0xC2
#define SD_LOG_DEVICE_STATISTICS 0x04
#define SD_STATUS_OK 0x50
#define SD_STATUS_ERROR 0x51
#define SD_ERROR_ABORTED 0x04

// STORAGE_PROPERTY_QUERY: PropertyId, QueryType, then the additional parameters at offset 8.
typedef struct
{
    ULONG PropertyId;
    ULONG QueryType;
} SD_PROPERTY_QUERY_HEAD;

// STORAGE_PROTOCOL_SPECIFIC_DATA.
typedef struct
{
    ULONG ProtocolType;
    ULONG DataType;
    ULONG RequestValue;
    ULONG RequestSubValue;
    ULONG DataOffset;
    ULONG DataLength;
    ULONG FixedReturnData;
    ULONG RequestSubValue2;
    ULONG RequestSubValue3;
    ULONG RequestSubValue4;
} SD_PROTOCOL_DATA;

// STORAGE_PROTOCOL_DATA_DESCRIPTOR.
typedef struct
{
    ULONG Version;
    ULONG Size;
    SD_PROTOCOL_DATA Data;
} SD_PROTOCOL_DESCRIPTOR;

_Static_assert(sizeof(SD_PROPERTY_QUERY_HEAD) == 8, "property query head");
_Static_assert(sizeof(SD_PROTOCOL_DATA) == 40, "protocol specific data");
_Static_assert(sizeof(SD_PROTOCOL_DESCRIPTOR) == 48, "protocol data descriptor");
_Static_assert(sizeof(ATA_PASS_THROUGH_EX) == 48, "ATA_PASS_THROUGH_EX on x64");
_Static_assert(FIELD_OFFSET(SENDCMDOUTPARAMS, bBuffer) == 16, "SENDCMDOUTPARAMS data");
_Static_assert(FIELD_OFFSET(DISK_GEOMETRY_EX, DiskSize) == 24, "DISK_GEOMETRY_EX size");

typedef struct
{
    ULONG Number;
    UNICODE_STRING Link;
    WCHAR LinkBuffer[64];
    // Where the link pointed before (Wine's own disk), put back at unload; empty when there was none.
    UNICODE_STRING Previous;
    WCHAR PreviousBuffer[128];
} SD_DISK;

static WCHAR g_disksKeyBuffer[512];
static UNICODE_STRING g_disksKey;
static PDEVICE_OBJECT g_devices[SD_MAX_DISKS];
static PIRP volatile g_stalled[SD_MAX_STALLED];

// ---- Registry ----

static NTSTATUS OpenDiskKey(ULONG number, HANDLE* key)
{
    WCHAR buffer[600];
    UNICODE_STRING path;
    WCHAR digits[16];
    UNICODE_STRING numberText;
    OBJECT_ATTRIBUTES attributes;
    path.Buffer = buffer;
    path.Length = 0;
    path.MaximumLength = sizeof(buffer);
    numberText.Buffer = digits;
    numberText.Length = 0;
    numberText.MaximumLength = sizeof(digits);
    if (!NT_SUCCESS(RtlIntegerToUnicodeString(number, 10, &numberText)) ||
        !NT_SUCCESS(RtlAppendUnicodeStringToString(&path, &g_disksKey)) ||
        !NT_SUCCESS(RtlAppendUnicodeToString(&path, L"\\")) ||
        !NT_SUCCESS(RtlAppendUnicodeStringToString(&path, &numberText)))
        return STATUS_NAME_TOO_LONG;
    InitializeObjectAttributes(&attributes, &path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    return ZwOpenKey(key, KEY_READ, &attributes);
}

// The value's data in a pool block (free with ExFreePoolWithTag), or NULL when it is absent or too large.
static PKEY_VALUE_PARTIAL_INFORMATION QueryValue(HANDLE key, PCWSTR name)
{
    UNICODE_STRING valueName;
    ULONG needed = 0;
    PKEY_VALUE_PARTIAL_INFORMATION info;
    RtlInitUnicodeString(&valueName, name);
    NTSTATUS status = ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, NULL, 0, &needed);
    if (status != STATUS_BUFFER_TOO_SMALL && status != STATUS_BUFFER_OVERFLOW)
        return NULL;
    if (needed == 0 || needed > SD_MAX_VALUE_BYTES + sizeof(KEY_VALUE_PARTIAL_INFORMATION))
        return NULL;
    info = (PKEY_VALUE_PARTIAL_INFORMATION)ExAllocatePoolWithTag(NonPagedPool, needed, SD_TAG);
    if (info == NULL)
        return NULL;
    if (!NT_SUCCESS(ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, info, needed, &needed)))
    {
        ExFreePoolWithTag(info, SD_TAG);
        return NULL;
    }
    return info;
}

// A value of exactly `size` bytes or more (the first `size` taken); false when it is absent or shorter.
static BOOLEAN QueryFixed(HANDLE key, PCWSTR name, void* value, ULONG size)
{
    PKEY_VALUE_PARTIAL_INFORMATION info = QueryValue(key, name);
    BOOLEAN found = FALSE;
    if (info != NULL && info->DataLength >= size)
    {
        RtlCopyMemory(value, info->Data, size);
        found = TRUE;
    }
    if (info != NULL)
        ExFreePoolWithTag(info, SD_TAG);
    return found;
}

static BOOLEAN QueryDword(HANDLE key, PCWSTR name, ULONG* value)
{
    return QueryFixed(key, name, value, sizeof(*value));
}

static BOOLEAN QueryQword(HANDLE key, PCWSTR name, ULONGLONG* value)
{
    return QueryFixed(key, name, value, sizeof(*value));
}

// A string value as ASCII (anything else becomes '?'), NUL-terminated in out; the length, or -1 when the
// value is absent.
static LONG QueryAscii(HANDLE key, PCWSTR name, CHAR* out, ULONG room)
{
    PKEY_VALUE_PARTIAL_INFORMATION info = QueryValue(key, name);
    LONG length = 0;
    ULONG i;
    const WCHAR* text;
    ULONG count;
    if (info == NULL)
        return -1;
    text = (const WCHAR*)info->Data;
    count = info->DataLength / sizeof(WCHAR);
    for (i = 0; i < count && (ULONG)length + 1 < room && text[i] != 0; ++i)
        out[length++] = (text[i] >= 0x20 && text[i] < 0x7F) ? (CHAR)text[i] : '?';
    out[length] = 0;
    ExFreePoolWithTag(info, SD_TAG);
    return length;
}

// ---- Answers ----

static ULONG BusType(HANDLE key)
{
    ULONG bus = 0;
    QueryDword(key, L"BusType", &bus);
    return bus;
}

static BOOLEAN TakesAtaCommands(HANDLE key)
{
    const ULONG bus = BusType(key);
    return bus == SD_BUS_ATA || bus == SD_BUS_SATA;
}

static NTSTATUS AnswerDeviceDescriptor(HANDLE key, UCHAR* buffer, ULONG outLength, ULONG_PTR* information)
{
    CHAR strings[3][128];
    LONG lengths[3];
    PCWSTR names[3] = {L"Model", L"Firmware", L"Serial"};
    ULONG offsets[3] = {0, 0, 0};
    ULONG size = sizeof(STORAGE_DEVICE_DESCRIPTOR);
    UCHAR* answer;
    STORAGE_DEVICE_DESCRIPTOR* descriptor;
    ULONG i;
    for (i = 0; i < 3; ++i)
    {
        lengths[i] = QueryAscii(key, names[i], strings[i], sizeof(strings[i]));
        if (lengths[i] >= 0)
        {
            offsets[i] = size;
            size += (ULONG)lengths[i] + 1;
        }
    }
    if (outLength < sizeof(STORAGE_DESCRIPTOR_HEADER))
        return STATUS_BUFFER_TOO_SMALL;
    answer = (UCHAR*)ExAllocatePoolWithTag(NonPagedPool, size, SD_TAG);
    if (answer == NULL)
        return STATUS_INSUFFICIENT_RESOURCES;
    RtlZeroMemory(answer, size);
    descriptor = (STORAGE_DEVICE_DESCRIPTOR*)answer;
    descriptor->Version = sizeof(STORAGE_DEVICE_DESCRIPTOR);
    descriptor->Size = size;
    descriptor->DeviceType = 0; // a direct-access device
    descriptor->BusType = (STORAGE_BUS_TYPE)BusType(key);
    descriptor->ProductIdOffset = offsets[0];
    descriptor->ProductRevisionOffset = offsets[1];
    descriptor->SerialNumberOffset = offsets[2];
    for (i = 0; i < 3; ++i)
    {
        if (offsets[i] != 0)
            RtlCopyMemory(answer + offsets[i], strings[i], (SIZE_T)lengths[i] + 1);
    }
    // As the storage stack does: as much as fits, the header telling the whole size.
    *information = outLength < size ? outLength : size;
    RtlCopyMemory(buffer, answer, *information);
    ExFreePoolWithTag(answer, SD_TAG);
    return STATUS_SUCCESS;
}

static NTSTATUS AnswerNvmeHealth(HANDLE key, ULONG propertyId, UCHAR* buffer, ULONG inLength, ULONG outLength,
                                 ULONG_PTR* information)
{
    SD_PROTOCOL_DATA request;
    SD_PROTOCOL_DESCRIPTOR* answer;
    PKEY_VALUE_PARTIAL_INFORMATION page;
    ULONG answering = SD_PROPERTY_DEVICE_PROTOCOL;
    ULONG length;
    if (inLength < sizeof(SD_PROPERTY_QUERY_HEAD) + sizeof(SD_PROTOCOL_DATA))
        return STATUS_INVALID_PARAMETER;
    RtlCopyMemory(&request, buffer + sizeof(SD_PROPERTY_QUERY_HEAD), sizeof(request));
    QueryDword(key, L"NvmeProperty", &answering);
    if (propertyId != answering || request.ProtocolType != SD_PROTOCOL_NVME ||
        request.DataType != SD_NVME_DATA_LOG_PAGE || request.RequestValue != SD_NVME_LOG_HEALTH)
        return STATUS_NOT_SUPPORTED;
    if (request.DataLength == 0 || request.DataOffset < sizeof(SD_PROTOCOL_DATA))
        return STATUS_INVALID_PARAMETER;
    page = QueryValue(key, L"NvmeHealth");
    if (page == NULL)
        return STATUS_NOT_SUPPORTED;
    length = request.DataLength < SD_PAGE_BYTES ? request.DataLength : SD_PAGE_BYTES;
    if (outLength < sizeof(SD_PROTOCOL_DESCRIPTOR) + length)
    {
        ExFreePoolWithTag(page, SD_TAG);
        return STATUS_BUFFER_TOO_SMALL;
    }
    answer = (SD_PROTOCOL_DESCRIPTOR*)buffer;
    RtlZeroMemory(buffer, sizeof(SD_PROTOCOL_DESCRIPTOR) + length);
    answer->Version = sizeof(SD_PROTOCOL_DESCRIPTOR);
    answer->Size = sizeof(SD_PROTOCOL_DESCRIPTOR);
    answer->Data = request;
    answer->Data.DataOffset = sizeof(SD_PROTOCOL_DATA);
    answer->Data.DataLength = length;
    // A page shorter than 512 bytes in the registry reads as zeros after its end.
    RtlCopyMemory(buffer + sizeof(SD_PROTOCOL_DESCRIPTOR), page->Data,
                  page->DataLength < length ? page->DataLength : length);
    ExFreePoolWithTag(page, SD_TAG);
    *information = sizeof(SD_PROTOCOL_DESCRIPTOR) + length;
    return STATUS_SUCCESS;
}

static NTSTATUS AnswerQueryProperty(HANDLE key, UCHAR* buffer, ULONG inLength, ULONG outLength,
                                    ULONG_PTR* information)
{
    SD_PROPERTY_QUERY_HEAD query;
    if (inLength < sizeof(query))
        return STATUS_INVALID_PARAMETER;
    RtlCopyMemory(&query, buffer, sizeof(query));
    if (query.QueryType != 0)
        return STATUS_NOT_SUPPORTED;
    if (query.PropertyId == SD_PROPERTY_DEVICE)
        return AnswerDeviceDescriptor(key, buffer, outLength, information);
    if (query.PropertyId == SD_PROPERTY_DEVICE_PROTOCOL || query.PropertyId == SD_PROPERTY_ADAPTER_PROTOCOL)
        return AnswerNvmeHealth(key, query.PropertyId, buffer, inLength, outLength, information);
    return STATUS_NOT_SUPPORTED;
}

// The bytes an ATA command reads: pages of a value, or NULL (the device aborts the command). The count of
// 512-byte sectors to read starts at sector `first`; *length gets the bytes available.
static PKEY_VALUE_PARTIAL_INFORMATION AtaData(HANDLE key, UCHAR command, UCHAR features, UCHAR lbaLow,
                                              UCHAR lbaMid, UCHAR lbaHigh, ULONG* first)
{
    *first = 0;
    if (command == SD_ATA_IDENTIFY)
        return QueryValue(key, L"AtaIdentify");
    if (command == SD_ATA_SMART && lbaMid == SD_SMART_LBA_MID && lbaHigh == SD_SMART_LBA_HIGH)
    {
        if (features == SD_SMART_READ_DATA)
            return QueryValue(key, L"AtaSmartData");
        // SMART READ LOG reads a log from its first page on.
        if (features == SD_SMART_READ_LOG && lbaLow == SD_LOG_DEVICE_STATISTICS)
            return QueryValue(key, L"AtaDeviceStatistics");
        return NULL;
    }
    if (command == SD_ATA_READ_LOG_EXT && lbaLow == SD_LOG_DEVICE_STATISTICS)
    {
        // The page number is LBA bits 23:8.
        *first = (ULONG)lbaMid | ((ULONG)lbaHigh << 8);
        return QueryValue(key, L"AtaDeviceStatistics");
    }
    return NULL;
}

// Copies `sectors` sectors from sector `first` of data into out; false when data does not hold them all.
static BOOLEAN CopySectors(PKEY_VALUE_PARTIAL_INFORMATION data, ULONG first, ULONG sectors, UCHAR* out,
                           ULONG room)
{
    ULONGLONG start = (ULONGLONG)first * SD_SECTOR;
    ULONGLONG bytes = (ULONGLONG)sectors * SD_SECTOR;
    if (data == NULL || sectors == 0 || bytes > room || start + bytes > data->DataLength)
        return FALSE;
    RtlCopyMemory(out, data->Data + start, (SIZE_T)bytes);
    return TRUE;
}

static NTSTATUS AnswerAtaPassThrough(HANDLE key, UCHAR* buffer, ULONG inLength, ULONG outLength,
                                     ULONG_PTR* information)
{
    ATA_PASS_THROUGH_EX request;
    ULONG passThrough = 1;
    PKEY_VALUE_PARTIAL_INFORMATION data;
    ULONG first = 0;
    ULONG sectors;
    BOOLEAN done;
    ATA_PASS_THROUGH_EX* answer = (ATA_PASS_THROUGH_EX*)buffer;
    if (!TakesAtaCommands(key) || (QueryDword(key, L"PassThrough", &passThrough) && passThrough == 0))
        return STATUS_INVALID_DEVICE_REQUEST;
    if (inLength < sizeof(request))
        return STATUS_INVALID_PARAMETER;
    RtlCopyMemory(&request, buffer, sizeof(request));
    if (request.Length != sizeof(request) || request.DataBufferOffset < sizeof(request) ||
        request.DataBufferOffset > outLength ||
        request.DataTransferLength > outLength - request.DataBufferOffset)
        return STATUS_INVALID_PARAMETER;
    data = AtaData(key, request.CurrentTaskFile[6], request.CurrentTaskFile[0], request.CurrentTaskFile[2],
                   request.CurrentTaskFile[3], request.CurrentTaskFile[4], &first);
    sectors = request.CurrentTaskFile[1];
    if (request.AtaFlags & ATA_FLAGS_48BIT_COMMAND)
        sectors |= (ULONG)request.PreviousTaskFile[1] << 8;
    done = CopySectors(data, first, sectors, buffer + request.DataBufferOffset, request.DataTransferLength);
    if (data != NULL)
        ExFreePoolWithTag(data, SD_TAG);
    // A device error is no failure of the request: the returned task file tells it.
    *answer = request;
    answer->CurrentTaskFile[0] = done ? 0 : SD_ERROR_ABORTED;
    answer->CurrentTaskFile[6] = done ? SD_STATUS_OK : SD_STATUS_ERROR;
    answer->DataTransferLength = done ? sectors * SD_SECTOR : 0;
    *information = request.DataBufferOffset + answer->DataTransferLength;
    return STATUS_SUCCESS;
}

static NTSTATUS AnswerSmartReceive(HANDLE key, UCHAR* buffer, ULONG inLength, ULONG outLength,
                                   ULONG_PTR* information)
{
    SENDCMDINPARAMS request;
    PKEY_VALUE_PARTIAL_INFORMATION data;
    ULONG first = 0;
    ULONG sectors;
    ULONG room;
    BOOLEAN done;
    SENDCMDOUTPARAMS* answer = (SENDCMDOUTPARAMS*)buffer;
    if (!TakesAtaCommands(key))
        return STATUS_INVALID_DEVICE_REQUEST;
    if (inLength < FIELD_OFFSET(SENDCMDINPARAMS, bBuffer))
        return STATUS_INVALID_PARAMETER;
    RtlZeroMemory(&request, sizeof(request));
    RtlCopyMemory(&request, buffer, FIELD_OFFSET(SENDCMDINPARAMS, bBuffer));
    if (outLength < FIELD_OFFSET(SENDCMDOUTPARAMS, bBuffer))
        return STATUS_BUFFER_TOO_SMALL;
    room = outLength - FIELD_OFFSET(SENDCMDOUTPARAMS, bBuffer);
    data = AtaData(key, request.irDriveRegs.bCommandReg, request.irDriveRegs.bFeaturesReg,
                   request.irDriveRegs.bSectorNumberReg, request.irDriveRegs.bCylLowReg,
                   request.irDriveRegs.bCylHighReg, &first);
    // IDENTIFY and SMART READ DATA read one sector whatever the count says.
    sectors = request.irDriveRegs.bSectorCountReg;
    if (request.irDriveRegs.bCommandReg == SD_ATA_IDENTIFY ||
        request.irDriveRegs.bFeaturesReg == SD_SMART_READ_DATA)
        sectors = 1;
    done = CopySectors(data, first, sectors, buffer + FIELD_OFFSET(SENDCMDOUTPARAMS, bBuffer), room);
    if (data != NULL)
        ExFreePoolWithTag(data, SD_TAG);
    RtlZeroMemory(buffer, FIELD_OFFSET(SENDCMDOUTPARAMS, bBuffer));
    answer->cBufferSize = done ? sectors * SD_SECTOR : 0;
    answer->DriverStatus.bDriverError = done ? 0 : SMART_IDE_ERROR;
    answer->DriverStatus.bIDEError = done ? 0 : SD_ERROR_ABORTED;
    *information = FIELD_OFFSET(SENDCMDOUTPARAMS, bBuffer) + answer->cBufferSize;
    return STATUS_SUCCESS;
}

static NTSTATUS AnswerGeometry(HANDLE key, UCHAR* buffer, ULONG outLength, ULONG_PTR* information)
{
    ULONGLONG size = 0;
    DISK_GEOMETRY_EX* answer = (DISK_GEOMETRY_EX*)buffer;
    const ULONG cylinderBytes = SD_SECTOR * 63 * 255;
    if (!QueryQword(key, L"Size", &size))
        return STATUS_INVALID_DEVICE_REQUEST;
    if (outLength < FIELD_OFFSET(DISK_GEOMETRY_EX, Data))
        return STATUS_BUFFER_TOO_SMALL;
    RtlZeroMemory(buffer, FIELD_OFFSET(DISK_GEOMETRY_EX, Data));
    answer->Geometry.Cylinders.QuadPart = (LONGLONG)(size / cylinderBytes);
    answer->Geometry.MediaType = FixedMedia;
    answer->Geometry.TracksPerCylinder = 255;
    answer->Geometry.SectorsPerTrack = 63;
    answer->Geometry.BytesPerSector = SD_SECTOR;
    answer->DiskSize.QuadPart = (LONGLONG)size;
    *information = FIELD_OFFSET(DISK_GEOMETRY_EX, Data);
    return STATUS_SUCCESS;
}

// ---- Requests left pending (the Stall value) ----

static void NTAPI CancelStalled(PDEVICE_OBJECT device, PIRP irp)
{
    ULONG i;
    (void)device;
    IoReleaseCancelSpinLock(irp->CancelIrql);
    for (i = 0; i < SD_MAX_STALLED; ++i)
        InterlockedCompareExchangePointer((PVOID volatile*)&g_stalled[i], NULL, irp);
    irp->IoStatus.Status = STATUS_CANCELLED;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
}

static NTSTATUS Stall(PIRP irp)
{
    ULONG i;
    for (i = 0; i < SD_MAX_STALLED; ++i)
    {
        if (InterlockedCompareExchangePointer((PVOID volatile*)&g_stalled[i], irp, NULL) == NULL)
        {
            IoMarkIrpPending(irp);
            IoSetCancelRoutine(irp, CancelStalled);
            return STATUS_PENDING;
        }
    }
    return STATUS_DEVICE_BUSY;
}

// Completes the stalled requests of one file object, or all of them (fileObject NULL).
static void ReleaseStalled(PFILE_OBJECT fileObject)
{
    ULONG i;
    for (i = 0; i < SD_MAX_STALLED; ++i)
    {
        PIRP irp = g_stalled[i];
        if (irp == NULL ||
            (fileObject != NULL && IoGetCurrentIrpStackLocation(irp)->FileObject != fileObject))
            continue;
        if (InterlockedCompareExchangePointer((PVOID volatile*)&g_stalled[i], NULL, irp) != irp)
            continue;
        // A cancel routine already running completes the request itself.
        if (IoSetCancelRoutine(irp, NULL) == NULL)
            continue;
        irp->IoStatus.Status = STATUS_CANCELLED;
        irp->IoStatus.Information = 0;
        IoCompleteRequest(irp, IO_NO_INCREMENT);
    }
}

// ---- Dispatch ----

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS NTAPI DispatchCreateClose(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchCleanup(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    ReleaseStalled(IoGetCurrentIrpStackLocation(irp)->FileObject);
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp)
{
    const PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    const ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    UCHAR* buffer = (UCHAR*)irp->AssociatedIrp.SystemBuffer;
    const SD_DISK* disk = (const SD_DISK*)device->DeviceExtension;
    ULONG_PTR information = 0;
    ULONG stall = 0;
    HANDLE key;
    NTSTATUS status = OpenDiskKey(disk->Number, &key);
    if (!NT_SUCCESS(status))
        return Complete(irp, STATUS_NO_SUCH_DEVICE, 0);
    if (QueryDword(key, L"Stall", &stall) && stall != 0)
    {
        ZwClose(key);
        status = Stall(irp);
        return status == STATUS_PENDING ? status : Complete(irp, status, 0);
    }
    if (buffer == NULL && (inLength != 0 || outLength != 0))
        status = STATUS_INVALID_PARAMETER;
    else if (code == IOCTL_STORAGE_QUERY_PROPERTY)
        status = AnswerQueryProperty(key, buffer, inLength, outLength, &information);
    else if (code == IOCTL_ATA_PASS_THROUGH)
        status = AnswerAtaPassThrough(key, buffer, inLength, outLength, &information);
    else if (code == SMART_RCV_DRIVE_DATA)
        status = AnswerSmartReceive(key, buffer, inLength, outLength, &information);
    else if (code == IOCTL_DISK_GET_DRIVE_GEOMETRY_EX)
        status = AnswerGeometry(key, buffer, outLength, &information);
    else
        status = STATUS_INVALID_DEVICE_REQUEST;
    ZwClose(key);
    return Complete(irp, status, information);
}

// ---- Load and unload ----

static void RemoveDisk(PDEVICE_OBJECT device)
{
    SD_DISK* disk = (SD_DISK*)device->DeviceExtension;
    IoDeleteSymbolicLink(&disk->Link);
    if (disk->Previous.Length != 0)
        IoCreateSymbolicLink(&disk->Link, &disk->Previous);
    IoDeleteDevice(device);
}

static void NTAPI StandinDiskUnload(PDRIVER_OBJECT driver)
{
    ULONG i;
    (void)driver;
    ReleaseStalled(NULL);
    for (i = 0; i < SD_MAX_DISKS; ++i)
    {
        if (g_devices[i] != NULL)
            RemoveDisk(g_devices[i]);
        g_devices[i] = NULL;
    }
}

static void RememberLinkTarget(SD_DISK* disk)
{
    OBJECT_ATTRIBUTES attributes;
    HANDLE link;
    disk->Previous.Buffer = disk->PreviousBuffer;
    disk->Previous.Length = 0;
    disk->Previous.MaximumLength = sizeof(disk->PreviousBuffer);
    InitializeObjectAttributes(&attributes, &disk->Link, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                               NULL);
    if (!NT_SUCCESS(ZwOpenSymbolicLinkObject(&link, SYMBOLIC_LINK_QUERY, &attributes)))
        return;
    if (!NT_SUCCESS(ZwQuerySymbolicLinkObject(link, &disk->Previous, NULL)))
        disk->Previous.Length = 0;
    ZwClose(link);
}

static NTSTATUS AddDisk(PDRIVER_OBJECT driver, ULONG number, PDEVICE_OBJECT* created)
{
    WCHAR nameBuffer[64];
    WCHAR digits[16];
    UNICODE_STRING name;
    UNICODE_STRING numberText;
    PDEVICE_OBJECT device;
    SD_DISK* disk;
    NTSTATUS status;
    name.Buffer = nameBuffer;
    name.Length = 0;
    name.MaximumLength = sizeof(nameBuffer);
    numberText.Buffer = digits;
    numberText.Length = 0;
    numberText.MaximumLength = sizeof(digits);
    RtlIntegerToUnicodeString(number, 10, &numberText);
    RtlAppendUnicodeToString(&name, L"\\Device\\StandinDisk");
    RtlAppendUnicodeStringToString(&name, &numberText);
    status = IoCreateDevice(driver, sizeof(SD_DISK), &name, FILE_DEVICE_DISK, 0, FALSE, &device);
    if (!NT_SUCCESS(status))
        return status;
    disk = (SD_DISK*)device->DeviceExtension;
    RtlZeroMemory(disk, sizeof(*disk));
    disk->Number = number;
    disk->Link.Buffer = disk->LinkBuffer;
    disk->Link.Length = 0;
    disk->Link.MaximumLength = sizeof(disk->LinkBuffer);
    RtlAppendUnicodeToString(&disk->Link, L"\\DosDevices\\PhysicalDrive");
    RtlAppendUnicodeStringToString(&disk->Link, &numberText);
    RememberLinkTarget(disk);
    IoDeleteSymbolicLink(&disk->Link);
    status = IoCreateSymbolicLink(&disk->Link, &name);
    if (!NT_SUCCESS(status))
    {
        if (disk->Previous.Length != 0)
            IoCreateSymbolicLink(&disk->Link, &disk->Previous);
        IoDeleteDevice(device);
        return status;
    }
    device->Flags |= DO_BUFFERED_IO;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    *created = device;
    return STATUS_SUCCESS;
}

// A subkey name of decimal digits below SD_MAX_DISKS; false for anything else.
static BOOLEAN ParseDiskNumber(const KEY_BASIC_INFORMATION* info, ULONG* number)
{
    ULONG count = info->NameLength / sizeof(WCHAR);
    ULONG value = 0;
    ULONG i;
    if (count == 0 || count > 2)
        return FALSE;
    for (i = 0; i < count; ++i)
    {
        if (info->Name[i] < L'0' || info->Name[i] > L'9')
            return FALSE;
        value = value * 10 + (ULONG)(info->Name[i] - L'0');
    }
    *number = value;
    return value < SD_MAX_DISKS;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    OBJECT_ATTRIBUTES attributes;
    HANDLE disks;
    ULONG index;
    ULONG i;
    union
    {
        KEY_BASIC_INFORMATION info;
        UCHAR bytes[sizeof(KEY_BASIC_INFORMATION) + 64 * sizeof(WCHAR)];
    } entry;

    g_disksKey.Buffer = g_disksKeyBuffer;
    g_disksKey.Length = 0;
    g_disksKey.MaximumLength = sizeof(g_disksKeyBuffer);
    if (!NT_SUCCESS(RtlAppendUnicodeStringToString(&g_disksKey, registryPath)) ||
        !NT_SUCCESS(RtlAppendUnicodeToString(&g_disksKey, L"\\Disks")))
        return STATUS_NAME_TOO_LONG;
    for (i = 0; i < SD_MAX_STALLED; ++i)
        g_stalled[i] = NULL;

    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreateClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchCreateClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCleanup;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
    driver->DriverUnload = StandinDiskUnload;

    InitializeObjectAttributes(&attributes, &g_disksKey, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                               NULL);
    // Without a Disks key the driver answers for no disk.
    if (!NT_SUCCESS(ZwOpenKey(&disks, KEY_READ, &attributes)))
        return STATUS_SUCCESS;
    for (index = 0;; ++index)
    {
        ULONG length = 0;
        ULONG number = 0;
        NTSTATUS status = ZwEnumerateKey(disks, index, KeyBasicInformation, &entry, sizeof(entry), &length);
        if (status == STATUS_NO_MORE_ENTRIES)
            break;
        if (!NT_SUCCESS(status) || !ParseDiskNumber(&entry.info, &number) || g_devices[number] != NULL)
            continue;
        AddDisk(driver, number, &g_devices[number]);
    }
    ZwClose(disks);
    return STATUS_SUCCESS;
}
