// The ATA commands the reader sends, in both of the ways Windows carries them: IOCTL_ATA_PASS_THROUGH
// (ATA_PASS_THROUGH_EX followed by the data) and the older SMART_RCV_DRIVE_DATA (SENDCMDINPARAMS /
// SENDCMDOUTPARAMS), which reaches the SMART commands through drivers that refuse pass-through. Building
// the request and finding the data in the answer are pure functions; the answer is untrusted input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct CQAtaCommand
{
    uint8_t command = 0;
    uint8_t features = 0;
    uint8_t lbaLow = 0;
    uint8_t lbaMid = 0;
    uint8_t lbaHigh = 0;
    uint8_t sectors = 1;   // sectors of 512 bytes read
    bool extended = false; // a 48-bit command
};

CQAtaCommand AtaIdentifyCommand();
CQAtaCommand SmartReadDataCommand();
// READ LOG EXT of one page of the Device Statistics log (log address 04h).
CQAtaCommand ReadStatisticsPageCommand(uint8_t page);
// SMART READ LOG of the Device Statistics log: `pages` pages from page 0 on.
CQAtaCommand SmartReadStatisticsCommand(uint8_t pages);

// Seconds the drive gets for one command.
constexpr unsigned kAtaCommandTimeoutSeconds = 10;

std::vector<uint8_t> BuildAtaPassThrough(const CQAtaCommand& command);
// The data of a pass-through answer: false when the answer is shorter than the structure or the returned
// task file's status has its error bit set. The data is what lies after the structure, at most the sectors
// asked for.
bool AtaPassThroughData(const uint8_t* answer, size_t returned, const CQAtaCommand& command, size_t& offset,
                        size_t& length);

std::vector<uint8_t> BuildSmartReceive(const CQAtaCommand& command);
// The answer buffer SMART_RCV_DRIVE_DATA needs for the command.
size_t SmartReceiveAnswerBytes(const CQAtaCommand& command);
// The data of a SMART_RCV_DRIVE_DATA answer: false when it is too short or the driver reports an error.
bool SmartReceiveData(const uint8_t* answer, size_t returned, const CQAtaCommand& command, size_t& offset,
                      size_t& length);
