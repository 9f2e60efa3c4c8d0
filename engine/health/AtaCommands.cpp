#include "engine/health/AtaCommands.h"

#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "engine/health/AtaPages.h"
#include "engine/health/LittleEndian.h"

static_assert(sizeof(ATA_PASS_THROUGH_EX) == 48, "ATA_PASS_THROUGH_EX on x64");
static_assert(offsetof(ATA_PASS_THROUGH_EX, CurrentTaskFile) == 40, "CurrentTaskFile");
static_assert(offsetof(SENDCMDINPARAMS, bBuffer) == 32, "SENDCMDINPARAMS");
static_assert(offsetof(SENDCMDOUTPARAMS, bBuffer) == 16, "SENDCMDOUTPARAMS");
static_assert(offsetof(SENDCMDOUTPARAMS, DriverStatus) == 4, "DriverStatus");

namespace
{
constexpr uint8_t kIdentifyDevice = 0xEC;
constexpr uint8_t kSmart = 0xB0;
constexpr uint8_t kSmartReadData = 0xD0;
constexpr uint8_t kSmartReadLog = 0xD5;
constexpr uint8_t kReadLogExt = 0x2F;
constexpr uint8_t kSmartLbaMid = 0x4F;
constexpr uint8_t kSmartLbaHigh = 0xC2;
constexpr uint8_t kDeviceStatisticsLog = 0x04;
constexpr uint8_t kStatusError = 0x01;
constexpr size_t kStatusRegister = 6;
// The device register of a command to the master device with LBA addressing.
constexpr uint8_t kDeviceRegister = 0xA0;
} // namespace

CQAtaCommand AtaIdentifyCommand()
{
    CQAtaCommand command;
    command.command = kIdentifyDevice;
    return command;
}

CQAtaCommand SmartReadDataCommand()
{
    CQAtaCommand command;
    command.command = kSmart;
    command.features = kSmartReadData;
    command.lbaMid = kSmartLbaMid;
    command.lbaHigh = kSmartLbaHigh;
    return command;
}

CQAtaCommand ReadStatisticsPageCommand(uint8_t page)
{
    CQAtaCommand command;
    command.command = kReadLogExt;
    command.lbaLow = kDeviceStatisticsLog;
    command.lbaMid = page;
    command.extended = true;
    return command;
}

CQAtaCommand SmartReadStatisticsCommand(uint8_t pages)
{
    CQAtaCommand command = SmartReadDataCommand();
    command.features = kSmartReadLog;
    command.lbaLow = kDeviceStatisticsLog;
    command.sectors = pages;
    return command;
}

std::vector<uint8_t> BuildAtaPassThrough(const CQAtaCommand& command)
{
    const size_t dataBytes = static_cast<size_t>(command.sectors) * kAtaSectorBytes;
    std::vector<uint8_t> buffer(sizeof(ATA_PASS_THROUGH_EX) + dataBytes);
    ATA_PASS_THROUGH_EX request = {};
    request.Length = sizeof(ATA_PASS_THROUGH_EX);
    request.AtaFlags =
        ATA_FLAGS_DATA_IN | ATA_FLAGS_DRDY_REQUIRED | (command.extended ? ATA_FLAGS_48BIT_COMMAND : 0);
    request.DataTransferLength = static_cast<ULONG>(dataBytes);
    request.TimeOutValue = kAtaCommandTimeoutSeconds;
    request.DataBufferOffset = sizeof(ATA_PASS_THROUGH_EX);
    request.CurrentTaskFile[0] = command.features;
    request.CurrentTaskFile[1] = command.sectors;
    request.CurrentTaskFile[2] = command.lbaLow;
    request.CurrentTaskFile[3] = command.lbaMid;
    request.CurrentTaskFile[4] = command.lbaHigh;
    request.CurrentTaskFile[5] = kDeviceRegister;
    request.CurrentTaskFile[6] = command.command;
    std::memcpy(buffer.data(), &request, sizeof(request));
    return buffer;
}

bool AtaPassThroughData(const uint8_t* answer, size_t returned, const CQAtaCommand& command, size_t& offset,
                        size_t& length)
{
    if (returned < sizeof(ATA_PASS_THROUGH_EX))
        return false;
    const uint8_t status = answer[offsetof(ATA_PASS_THROUGH_EX, CurrentTaskFile) + kStatusRegister];
    if (status & kStatusError)
        return false;
    // The data lies where the request put it, whatever the answer's own offset field says.
    offset = sizeof(ATA_PASS_THROUGH_EX);
    length = std::min(returned - offset, static_cast<size_t>(command.sectors) * kAtaSectorBytes);
    return true;
}

std::vector<uint8_t> BuildSmartReceive(const CQAtaCommand& command)
{
    std::vector<uint8_t> buffer(offsetof(SENDCMDINPARAMS, bBuffer));
    SENDCMDINPARAMS request = {};
    request.cBufferSize = static_cast<DWORD>(command.sectors) * kAtaSectorBytes;
    request.irDriveRegs.bFeaturesReg = command.features;
    request.irDriveRegs.bSectorCountReg = command.sectors;
    request.irDriveRegs.bSectorNumberReg = command.command == kIdentifyDevice ? 1 : command.lbaLow;
    request.irDriveRegs.bCylLowReg = command.lbaMid;
    request.irDriveRegs.bCylHighReg = command.lbaHigh;
    request.irDriveRegs.bDriveHeadReg = kDeviceRegister;
    request.irDriveRegs.bCommandReg = command.command;
    std::memcpy(buffer.data(), &request, buffer.size());
    return buffer;
}

size_t SmartReceiveAnswerBytes(const CQAtaCommand& command)
{
    return offsetof(SENDCMDOUTPARAMS, bBuffer) + static_cast<size_t>(command.sectors) * kAtaSectorBytes;
}

bool SmartReceiveData(const uint8_t* answer, size_t returned, const CQAtaCommand& command, size_t& offset,
                      size_t& length)
{
    constexpr size_t kData = offsetof(SENDCMDOUTPARAMS, bBuffer);
    if (returned < kData || answer[offsetof(SENDCMDOUTPARAMS, DriverStatus)] != 0)
        return false;
    const size_t told = ReadU32(answer);
    offset = kData;
    length = std::min({returned - kData, told, static_cast<size_t>(command.sectors) * kAtaSectorBytes});
    return true;
}
