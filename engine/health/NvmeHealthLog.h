// The NVMe SMART / Health Information log (log identifier 02h), taken apart as untrusted input.
#pragma once

#include <cstddef>
#include <cstdint>

struct CQDiskReading;

// Bytes the parser reads: up to the end of the Power On Hours counter.
constexpr size_t kNvmeHealthBytesRead = 144;
// One Data Unit is 1000 units of 512 bytes.
constexpr uint64_t kNvmeDataUnitBytes = 512000;

// Fills the reading's NVMe figures (source nvme): critical warning, temperature (a composite temperature of
// 0 kelvin is "not reported"), spare and its threshold, percentage used, the data units read and written as
// bytes and the power-on hours; the 128-bit counters saturate. False, with the reading untouched, when the
// page is shorter than the fields read.
bool ParseNvmeHealthLog(const uint8_t* page, size_t length, CQDiskReading& reading);
