#include "engine/health/StorageAnswers.h"

#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <cstring>

#include "engine/health/LittleEndian.h"

// The layouts as the Windows headers define them, on x64.
static_assert(sizeof(STORAGE_DESCRIPTOR_HEADER) == 8, "descriptor header");
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, VendorIdOffset) == 12, "VendorIdOffset");
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductIdOffset) == 16, "ProductIdOffset");
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductRevisionOffset) == 20, "ProductRevisionOffset");
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, SerialNumberOffset) == 24, "SerialNumberOffset");
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == 28, "BusType");
static_assert(offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters) == 8, "AdditionalParameters");
static_assert(sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA) == 40, "protocol specific data");
static_assert(sizeof(STORAGE_PROTOCOL_DATA_DESCRIPTOR) == 48, "protocol data descriptor");
static_assert(offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, ProtocolSpecificData) == 8, "ProtocolSpecificData");
static_assert(offsetof(DISK_GEOMETRY_EX, DiskSize) == 24, "DiskSize");

namespace
{
// Longer strings are cut: no drive's name or serial comes near.
constexpr size_t kMaxStringLength = 128;

std::wstring StringAt(const uint8_t* answer, size_t returned, uint32_t offset)
{
    std::wstring text;
    if (offset == 0 || offset >= returned)
        return text;
    for (size_t i = offset; i < returned && answer[i] != 0 && text.size() < kMaxStringLength; ++i)
        text += (answer[i] >= 0x20 && answer[i] < 0x7F) ? static_cast<wchar_t>(answer[i]) : L'?';
    const size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}
} // namespace

uint32_t DescriptorSizeNeeded(const uint8_t* answer, size_t returned)
{
    if (returned < sizeof(STORAGE_DESCRIPTOR_HEADER))
        return 0;
    return ReadU32(answer + offsetof(STORAGE_DESCRIPTOR_HEADER, Size));
}

bool ParseDeviceDescriptor(const uint8_t* answer, size_t returned, CQDeviceDescriptor& descriptor)
{
    descriptor = CQDeviceDescriptor();
    if (returned < offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) + sizeof(uint32_t))
        return false;
    descriptor.busType = ReadU32(answer + offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType));
    descriptor.vendor =
        StringAt(answer, returned, ReadU32(answer + offsetof(STORAGE_DEVICE_DESCRIPTOR, VendorIdOffset)));
    descriptor.product =
        StringAt(answer, returned, ReadU32(answer + offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductIdOffset)));
    descriptor.revision = StringAt(
        answer, returned, ReadU32(answer + offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductRevisionOffset)));
    descriptor.serial =
        StringAt(answer, returned, ReadU32(answer + offsetof(STORAGE_DEVICE_DESCRIPTOR, SerialNumberOffset)));
    return true;
}

std::vector<uint8_t> BuildNvmeHealthQuery(uint32_t propertyId)
{
    constexpr size_t kParameters = offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters);
    std::vector<uint8_t> buffer(kParameters + sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA) + kNvmeHealthLogBytes);
    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = static_cast<STORAGE_PROPERTY_ID>(propertyId);
    query.QueryType = PropertyStandardQuery;
    std::memcpy(buffer.data(), &query, kParameters);
    STORAGE_PROTOCOL_SPECIFIC_DATA request = {};
    request.ProtocolType = ProtocolTypeNvme;
    request.DataType = NVMeDataTypeLogPage;
    request.ProtocolDataRequestValue = 2; // NVME_LOG_PAGE_HEALTH_INFO
    request.ProtocolDataRequestSubValue = 0;
    request.ProtocolDataOffset = sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA);
    request.ProtocolDataLength = kNvmeHealthLogBytes;
    std::memcpy(buffer.data() + kParameters, &request, sizeof(request));
    return buffer;
}

bool LocateProtocolData(const uint8_t* answer, size_t returned, size_t& offset, size_t& length)
{
    constexpr size_t kDescriptor = sizeof(STORAGE_PROTOCOL_DATA_DESCRIPTOR);
    constexpr size_t kSpecific = offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, ProtocolSpecificData);
    if (returned < kDescriptor || ReadU32(answer) != kDescriptor || ReadU32(answer + 4) != kDescriptor)
        return false;
    const uint64_t dataOffset =
        ReadU32(answer + kSpecific + offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataOffset));
    const uint64_t dataLength =
        ReadU32(answer + kSpecific + offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataLength));
    // In 64 bits, so that no sum of two 32-bit fields wraps.
    if (dataOffset < sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA) || kSpecific + dataOffset + dataLength > returned)
        return false;
    offset = static_cast<size_t>(kSpecific + dataOffset);
    length = static_cast<size_t>(dataLength);
    return true;
}

bool ParseGeometrySize(const uint8_t* answer, size_t returned, uint64_t& size)
{
    if (returned < offsetof(DISK_GEOMETRY_EX, DiskSize) + sizeof(uint64_t))
        return false;
    size = ReadU64(answer + offsetof(DISK_GEOMETRY_EX, DiskSize));
    return true;
}
