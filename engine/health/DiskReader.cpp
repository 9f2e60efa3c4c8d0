#include "engine/health/DiskReader.h"

#include <winioctl.h>
#include <ntddscsi.h>

#include <algorithm>
#include <ctime>
#include <vector>

#include "data/Error.h"
#include "engine/health/AtaCommands.h"
#include "engine/health/AtaPages.h"
#include "engine/health/DiskDevice.h"
#include "engine/health/LittleEndian.h"
#include "engine/health/NvmeHealthLog.h"
#include "engine/health/StorageAnswers.h"
#include "engine/health/VendorAttributes.h"

namespace
{
// Larger descriptors are not asked for.
constexpr DWORD kMaxDescriptorBytes = 64 * 1024;
constexpr uint8_t kStatisticsPages[] = {0x01, 0x05, 0x07};
// SMART READ LOG reads the Device Statistics log from page 0 up to page 07h.
constexpr uint8_t kSmartLogPages = 8;

enum class Path
{
    passThrough,
    smartReceive,
    none
};

class DiskSession
{
public:
    DiskSession(uint32_t disk, DWORD timeoutMs, HANDLE stopEvent) : m_device(timeoutMs, stopEvent)
    {
        m_reading.disk = disk;
        m_reading.time = static_cast<int64_t>(::time(nullptr));
    }

    CQDiskReading Read()
    {
        const std::wstring path = L"\\\\.\\PhysicalDrive" + std::to_wstring(m_reading.disk);
        if (!m_device.Open(path, true))
            return Finish(CQDiskState::cannotOpen, L"cannot be opened: " + ErrorText(m_device.GetError()));
        if (!ReadDescriptor())
            return Finish(m_device.IsAnswering() ? CQDiskState::notAvailable : CQDiskState::noAnswer,
                          m_device.IsAnswering() ? std::wstring(kNotAvailableText) : NoAnswerText());
        ReadSize();
        switch (m_reading.busType)
        {
        case BusTypeNvme:
            return ReadNvme();
        case BusTypeSata:
        case BusTypeAta:
            return ReadAta();
        default:
            return Finish(CQDiskState::notAvailable, kNotAvailableText);
        }
    }

private:
    CQDiskReading Finish(CQDiskState state, const std::wstring& detail)
    {
        // A device that stopped answering midway gives nothing it said before either.
        if (!m_device.IsAnswering() && state == CQDiskState::read)
            state = CQDiskState::noAnswer;
        m_reading.state = state;
        m_reading.detail = state == CQDiskState::noAnswer ? NoAnswerText() : detail;
        return m_reading;
    }

    static std::wstring ErrorText(DWORD error)
    {
        std::wstring text = CQError::SystemText(error);
        return text.empty() ? L"error " + std::to_wstring(error) : text;
    }

    std::wstring NoAnswerText() const { return L"does not answer"; }

    bool Query(DWORD code, const std::vector<uint8_t>& input, std::vector<uint8_t>& answer, DWORD& returned)
    {
        return m_device.Control(code, input, answer, returned) == CQDiskDevice::Outcome::done;
    }

    std::vector<uint8_t> PropertyQuery(STORAGE_PROPERTY_ID property) const
    {
        std::vector<uint8_t> query(sizeof(STORAGE_PROPERTY_QUERY), 0);
        reinterpret_cast<STORAGE_PROPERTY_QUERY*>(query.data())->PropertyId = property;
        reinterpret_cast<STORAGE_PROPERTY_QUERY*>(query.data())->QueryType = PropertyStandardQuery;
        return query;
    }

    bool ReadDescriptor()
    {
        // The header first, for the size of the whole descriptor.
        const std::vector<uint8_t> query = PropertyQuery(StorageDeviceProperty);
        std::vector<uint8_t> answer(sizeof(STORAGE_DESCRIPTOR_HEADER));
        DWORD returned = 0;
        if (!Query(IOCTL_STORAGE_QUERY_PROPERTY, query, answer, returned))
            return false;
        const uint32_t needed = DescriptorSizeNeeded(answer.data(), returned);
        answer.assign(
            std::min<DWORD>(std::max<DWORD>(needed, sizeof(STORAGE_DEVICE_DESCRIPTOR)), kMaxDescriptorBytes),
            0);
        CQDeviceDescriptor descriptor;
        if (!Query(IOCTL_STORAGE_QUERY_PROPERTY, query, answer, returned) ||
            !ParseDeviceDescriptor(answer.data(), returned, descriptor))
            return false;
        m_reading.busType = descriptor.busType;
        m_reading.model = descriptor.product;
        // A vendor field that the product does not already begin with belongs in front of it.
        if (!descriptor.vendor.empty() &&
            descriptor.product.compare(0, descriptor.vendor.size(), descriptor.vendor) != 0)
            m_reading.model =
                descriptor.vendor + (descriptor.product.empty() ? L"" : L" ") + descriptor.product;
        m_reading.serial = descriptor.serial;
        m_reading.firmware = descriptor.revision;
        return true;
    }

    void ReadSize()
    {
        std::vector<uint8_t> answer(sizeof(DISK_GEOMETRY_EX));
        DWORD returned = 0;
        uint64_t size = 0;
        if (Query(IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, {}, answer, returned) &&
            ParseGeometrySize(answer.data(), returned, size))
            m_reading.sizeBytes = size;
    }

    CQDiskReading ReadNvme()
    {
        struct Property
        {
            STORAGE_PROPERTY_ID id;
            const wchar_t* name;
        };
        for (const Property& property :
             {Property{StorageDeviceProtocolSpecificProperty, L"device property"},
              Property{StorageAdapterProtocolSpecificProperty, L"adapter property"}})
        {
            std::vector<uint8_t> buffer = BuildNvmeHealthQuery(property.id);
            DWORD returned = 0;
            size_t offset = 0;
            size_t length = 0;
            if (!Query(IOCTL_STORAGE_QUERY_PROPERTY, buffer, buffer, returned))
                continue;
            if (LocateProtocolData(buffer.data(), returned, offset, length) &&
                ParseNvmeHealthLog(buffer.data() + offset, length, m_reading))
                return Finish(CQDiskState::read, property.name);
            return Finish(CQDiskState::notAvailable,
                          std::wstring(L"a malformed health log from the ") + property.name);
        }
        return Finish(CQDiskState::notAvailable, kNotAvailableText);
    }

    // One ATA command through the path that works; the data's span in `answer`.
    bool Ata(const CQAtaCommand& command, std::vector<uint8_t>& answer, size_t& offset, size_t& length)
    {
        DWORD returned = 0;
        if (m_path == Path::passThrough)
        {
            answer = BuildAtaPassThrough(command);
            return Query(IOCTL_ATA_PASS_THROUGH, answer, answer, returned) &&
                   AtaPassThroughData(answer.data(), returned, command, offset, length);
        }
        const std::vector<uint8_t> input = BuildSmartReceive(command);
        answer.assign(SmartReceiveAnswerBytes(command), 0);
        return Query(SMART_RCV_DRIVE_DATA, input, answer, returned) &&
               SmartReceiveData(answer.data(), returned, command, offset, length);
    }

    CQDiskReading ReadAta()
    {
        std::vector<uint8_t> answer;
        size_t offset = 0;
        size_t length = 0;
        CQAtaIdentity identity;
        bool identified = false;
        for (Path path : {Path::passThrough, Path::smartReceive})
        {
            m_path = path;
            if (Ata(AtaIdentifyCommand(), answer, offset, length))
            {
                identified = ParseAtaIdentify(answer.data() + offset, length, identity);
                break;
            }
            if (!m_device.IsAnswering())
                return Finish(CQDiskState::noAnswer, NoAnswerText());
            m_path = Path::none;
        }
        if (m_path == Path::none)
            return Finish(CQDiskState::notAvailable, kNotAvailableText);
        std::wstring detail = m_path == Path::passThrough ? L"pass-through" : L"SMART_RCV_DRIVE_DATA";
        if (identified)
        {
            if (!identity.model.empty())
                m_reading.model = identity.model;
            if (!identity.serial.empty())
                m_reading.serial = identity.serial;
            if (!identity.firmware.empty())
                m_reading.firmware = identity.firmware;
        }
        else
        {
            detail += L", IDENTIFY malformed";
        }

        CQDeviceStatistics statistics;
        const bool logRead =
            m_path == Path::passThrough ? ReadStatisticsPages(statistics) : ReadStatisticsLog(statistics);
        const uint32_t sectorSize = identified ? identity.logicalSectorSize : 0;
        if (statistics.sectorsWritten && sectorSize != 0)
        {
            m_reading.source = CQHealthSource::devstats;
            m_reading.hostBytesWritten = MultiplySaturated(*statistics.sectorsWritten, sectorSize);
        }
        if (statistics.sectorsRead && sectorSize != 0)
            m_reading.hostBytesRead = MultiplySaturated(*statistics.sectorsRead, sectorSize);
        m_reading.powerOnHours = statistics.powerOnHours;
        m_reading.temperature = statistics.temperature;
        m_reading.percentUsed = statistics.percentUsed;
        if (logRead)
            detail += m_path == Path::passThrough ? L", READ LOG EXT" : L", SMART READ LOG";
        // The vendor attributes only stand in for what the statistics log does not give.
        if (!statistics.sectorsWritten || !statistics.percentUsed)
        {
            CQDiskReading attributes;
            if (Ata(SmartReadDataCommand(), answer, offset, length))
            {
                ApplyVendorAttributes(m_reading.model, ParseSmartAttributes(answer.data() + offset, length),
                                      attributes);
                detail += L", SMART READ DATA";
            }
            if (!statistics.sectorsWritten)
            {
                m_reading.source = attributes.source;
                m_reading.hostBytesWritten = attributes.hostBytesWritten;
                m_reading.rawWriteAttribute = attributes.rawWriteAttribute;
                m_reading.rawWriteValue = attributes.rawWriteValue;
            }
            if (!statistics.percentUsed && attributes.percentUsed)
            {
                m_reading.percentUsed = attributes.percentUsed;
                m_reading.wearFromAttribute = true;
            }
        }
        if (identified && sectorSize == 0)
            detail += L", logical sector size not understood";
        return Finish(CQDiskState::read, detail);
    }

    // READ LOG EXT: page 0 for the list, then each page of interest that the list names.
    bool ReadStatisticsPages(CQDeviceStatistics& statistics)
    {
        std::vector<uint8_t> answer;
        size_t offset = 0;
        size_t length = 0;
        std::vector<uint8_t> supported;
        if (!Ata(ReadStatisticsPageCommand(0), answer, offset, length) ||
            !ParseSupportedStatisticsPages(answer.data() + offset, length, supported))
            return false;
        for (uint8_t page : kStatisticsPages)
        {
            if (std::find(supported.begin(), supported.end(), page) != supported.end() &&
                Ata(ReadStatisticsPageCommand(page), answer, offset, length))
                ApplyStatisticsPage(answer.data() + offset, length, page, statistics);
        }
        return true;
    }

    // SMART READ LOG: the first pages of the log at once.
    bool ReadStatisticsLog(CQDeviceStatistics& statistics)
    {
        std::vector<uint8_t> answer;
        size_t offset = 0;
        size_t length = 0;
        std::vector<uint8_t> supported;
        if (!Ata(SmartReadStatisticsCommand(kSmartLogPages), answer, offset, length) ||
            !ParseSupportedStatisticsPages(answer.data() + offset, length, supported))
            return false;
        for (uint8_t page : kStatisticsPages)
        {
            const size_t start = static_cast<size_t>(page) * kAtaSectorBytes;
            if (std::find(supported.begin(), supported.end(), page) != supported.end() &&
                start + kAtaSectorBytes <= length)
                ApplyStatisticsPage(answer.data() + offset + start, kAtaSectorBytes, page, statistics);
        }
        return true;
    }

    CQDiskDevice m_device;
    CQDiskReading m_reading;
    Path m_path = Path::none;
};
} // namespace

CQDiskReading ReadDisk(uint32_t disk, DWORD timeoutMs, HANDLE stopEvent)
{
    return DiskSession(disk, timeoutMs, stopEvent).Read();
}
