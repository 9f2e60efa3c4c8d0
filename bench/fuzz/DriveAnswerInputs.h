// Inputs of the drive answer fuzzer: each is one answer the health reader takes apart (a device
// descriptor, an NVMe protocol answer or health log, IDENTIFY, a Device Statistics page, SMART READ DATA, an
// ATA pass-through or SMART_RCV_DRIVE_DATA answer, a volume's extents), made from a well-formed one by
// changing its length fields to boundary values, flipping bits, cutting it short or filling it at random.
#pragma once

#include <cstdint>
#include <vector>

// Longest answer made: two pages, so that every answer can end right before a guard page.
constexpr size_t kLongestDriveAnswer = 8192;

enum class CQDriveAnswerKind : uint8_t
{
    descriptor,
    protocolData,
    nvmeLog,
    identify,
    statisticsPage,
    smartData,
    passThrough,
    smartReceive,
    extents,
    count
};

struct CQDriveAnswer
{
    CQDriveAnswerKind kind = CQDriveAnswerKind::descriptor;
    uint8_t page = 0; // the statistics page asked for
    std::vector<uint8_t> bytes;
};

CQDriveAnswer MakeDriveAnswer(uint64_t runSeed, uint64_t index);
