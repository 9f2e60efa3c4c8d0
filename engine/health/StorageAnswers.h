// Answers of the storage stack's property query (IOCTL_STORAGE_QUERY_PROPERTY) and geometry query, taken
// apart as untrusted input: pure functions over the bytes returned, so that crafted answers can be handed
// to them. Nothing is read outside the `returned` bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// STORAGE_DEVICE_DESCRIPTOR's figures. The strings are NUL-terminated ASCII at offsets into the answer (0 =
// absent); they come trimmed of blanks, anything outside printable ASCII shown as '?'.
struct CQDeviceDescriptor
{
    uint32_t busType = 0;
    std::wstring vendor;
    std::wstring product;
    std::wstring revision;
    std::wstring serial;
};

// The size the storage stack needs for the whole descriptor, from the first 8 bytes (its header); 0 when
// fewer came.
uint32_t DescriptorSizeNeeded(const uint8_t* answer, size_t returned);
// False when the answer is too short for the fixed part of the descriptor.
bool ParseDeviceDescriptor(const uint8_t* answer, size_t returned, CQDeviceDescriptor& descriptor);

// The query for the NVMe SMART / Health Information log (log page 02h, 512 bytes): a STORAGE_PROPERTY_QUERY
// of `propertyId` (StorageDeviceProtocolSpecificProperty or StorageAdapterProtocolSpecificProperty) with a
// STORAGE_PROTOCOL_SPECIFIC_DATA in its additional parameters. The answer comes back in the same buffer.
std::vector<uint8_t> BuildNvmeHealthQuery(uint32_t propertyId);
constexpr size_t kNvmeHealthLogBytes = 512;

// The protocol data inside an answer to that query (a STORAGE_PROTOCOL_DATA_DESCRIPTOR): its Version and
// Size must be the descriptor's size, and the data's offset (counted from the protocol-specific data) and
// length must lie within the returned bytes. False otherwise.
bool LocateProtocolData(const uint8_t* answer, size_t returned, size_t& offset, size_t& length);

// DISK_GEOMETRY_EX's disk size; false when the answer is too short.
bool ParseGeometrySize(const uint8_t* answer, size_t returned, uint64_t& size);
