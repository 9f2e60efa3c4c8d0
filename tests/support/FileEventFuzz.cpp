#include "support/FileEventFuzz.h"

#include <memory>
#include <random>
#include <vector>

#include "engine/ReplyWalk.h"
#include "engine/WrimonProtocol.h"
#include "engine/events/FileEventSource.h"
#include "support/FileEvents.h"
#include "support/GuardedBuffer.h"

using namespace file_events_test;

namespace
{

constexpr wchar_t kVolume[] = L"\\Device\\HarddiskVolume1";
constexpr size_t kMaxPayload = 65535;

class Generator
{
public:
    explicit Generator(uint32_t seed) : m_random(seed) {}

    uint32_t Below(uint32_t n) { return n == 0 ? 0 : static_cast<uint32_t>(m_random() % n); }
    bool OneIn(uint32_t n) { return Below(n) == 0; }
    uint64_t Key() { return 0xFFFF800000001000ull + 0x10 * Below(24); }

    std::wstring Name()
    {
        std::wstring name = OneIn(8) ? L"\\Device\\HarddiskVolume12" : kVolume;
        const uint32_t parts = Below(6);
        for (uint32_t i = 0; i < parts; ++i)
        {
            name += L'\\';
            const uint32_t length = 1 + Below(OneIn(50) ? 2000 : 20);
            for (uint32_t c = 0; c < length; ++c)
                name += static_cast<wchar_t>(OneIn(10) ? 0x100 + Below(0xFE00) : L'a' + Below(26));
        }
        if (OneIn(20))
            name += L"\\$LogFile";
        return name;
    }

    Shape AnyShape()
    {
        static const UCHAR versions[] = {0, 1, 1, 2, 7, 255};
        return Shape{versions[Below(6)], OneIn(2) ? 8u : 4u};
    }

    SyntheticEvent Valid()
    {
        const Shape shape = AnyShape();
        switch (Below(8))
        {
        case 0:
        case 1:
        case 2:
            return Write(shape, 4 * Below(100), Key(), Key(), Below(1 << 20), Below(0x80));
        case 3:
            return KeyName(10, shape.pointerSize, Key(), Name(), !OneIn(4));
        case 4:
            return KeyName(11, shape.pointerSize, Key(), Name());
        case 5:
            return Create(shape, Key(), Name(), OneIn(2) ? 12 : 30);
        case 6:
            return Rundown(shape.pointerSize, Key(), Name(),
                           OneIn(2) ? KernelRundownProviderGuid : FileIoClassGuid);
        default:
            return LossReport(static_cast<UCHAR>(32 + Below(3)));
        }
    }

    void Scramble(SyntheticEvent& event)
    {
        std::vector<BYTE>& bytes = event.payload;
        if (OneIn(3))
            bytes.resize(Below(static_cast<uint32_t>(bytes.size()) + 1));
        if (OneIn(4))
        {
            const uint32_t extra = Below(OneIn(20) ? 4000 : 40);
            for (uint32_t i = 0; i < extra; ++i)
                bytes.push_back(static_cast<BYTE>(m_random()));
        }
        if (!bytes.empty() && OneIn(3))
        {
            const uint32_t flips = 1 + Below(4);
            for (uint32_t i = 0; i < flips; ++i)
                bytes[Below(static_cast<uint32_t>(bytes.size()))] ^= static_cast<BYTE>(1 + Below(255));
        }
        if (OneIn(10))
            event.head.Flags = static_cast<USHORT>(m_random());
        if (OneIn(10))
            event.head.Version = static_cast<UCHAR>(m_random());
    }

    SyntheticEvent Random()
    {
        static const GUID providers[] = {KernelFileProviderGuid, KernelRundownProviderGuid, FileIoClassGuid,
                                         EventTraceClassGuid,
                                         GUID{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}}};
        SyntheticEvent event;
        event.head.ProviderId = providers[Below(5)];
        event.head.Id = static_cast<USHORT>(OneIn(2) ? 10 + Below(21) : m_random());
        event.head.Opcode = static_cast<UCHAR>(OneIn(2) ? 30 + Below(8) : m_random());
        event.head.Version = static_cast<UCHAR>(Below(3));
        event.head.Flags = static_cast<USHORT>(m_random());
        event.head.ProcessId = static_cast<ULONG>(m_random());
        const uint32_t length = OneIn(500) ? Below(kMaxPayload + 1) : Below(200);
        event.payload.resize(length);
        for (BYTE& b : event.payload)
            b = static_cast<BYTE>(m_random());
        return event;
    }

    SyntheticEvent Next()
    {
        SyntheticEvent event = OneIn(3) ? Random() : Valid();
        if (!OneIn(3))
            Scramble(event);
        // Time stamps out of order, so that the source's ordering is played too.
        event.head.TimeStamp = static_cast<LONGLONG>(m_random() % 4096) - 1024;
        return event;
    }

private:
    std::mt19937 m_random;
};

// Every reply must walk without a complaint and hold only write records with names of bounded length.
bool CheckReply(BYTE* reply, DWORD bytes, uint64_t& records, std::string& failure)
{
    bool ok = true;
    WalkReply(
        reply, bytes,
        [&](const LogRecordView& record)
        {
            ++records;
            if (record.OperationCode() != WrimonOperationWrite || record.ReadLength() != 0 ||
                record.RecordType() != 0 || record.NameLength() > FileEventMaxNameChars)
            {
                failure = "a record broke the layout";
                ok = false;
            }
        },
        [&](const wchar_t*)
        {
            failure = "a reply did not walk cleanly";
            ok = false;
        });
    return ok;
}

// A source whose translation reads each payload from a copy that ends right before a no-access page, so
// that a read past the length the inbox kept faults as the direct translation's does.
class GuardedSource : public CQFileEventSource
{
public:
    explicit GuardedSource(const FileEventLimits& limits) : CQFileEventSource(nullptr, limits) {}
    bool IsValid() const { return m_guard.IsValid(); }

protected:
    const BYTE* PayloadToRead(const BYTE* pPayload, size_t cbPayload) override
    {
        return m_guard.Place(pPayload, cbPayload);
    }

private:
    GuardedBuffer m_guard{kMaxPayload};
};

// Small name maps, so that names are dropped for room all the time.
FileEventLimits SmallLimits()
{
    FileEventLimits limits;
    limits.KeyNameBytes = 64 * CQFileNameMap::EntryOverheadBytes;
    limits.ObjectNameBytes = 64 * CQFileNameMap::EntryOverheadBytes;
    return limits;
}

} // namespace

bool FuzzFileEvents(uint32_t seed, uint64_t count, EventFuzzFigures& figures, std::string& failure)
{
    Generator generator(seed);
    GuardedBuffer guard(kMaxPayload);
    const FileEventLimits limits = SmallLimits();
    GuardedSource source(limits);
    if (!guard.IsValid() || !source.IsValid())
    {
        failure = "no guarded memory";
        return false;
    }
    CQFileEventTranslator translator(limits.KeyNameBytes, limits.ObjectNameBytes);
    source.AttachVolume(kVolume);
    std::vector<BYTE> reply(WrimonReplyBufferSize);

    for (uint64_t i = 0; i < count; ++i)
    {
        SyntheticEvent event = generator.Next();
        if (event.payload.size() > kMaxPayload)
            event.payload.resize(kMaxPayload);
        BYTE* payload = guard.Place(event.payload.data(), event.payload.size());
        ++figures.Events;
        figures.PayloadBytes += event.payload.size();

        FileWrite write;
        if (translator.Translate(event.head, payload, event.payload.size(), write))
        {
            ++figures.Writes;
            if (write.Name != nullptr)
            {
                ++figures.NamedWrites;
                if (write.Name->size() > FileEventMaxNameChars ||
                    write.Name->find(L'\0') != std::wstring::npos || write.Name->empty())
                {
                    failure = "a write's name broke the rules";
                    return false;
                }
            }
        }

        EVENT_RECORD record = event.Record();
        record.UserData = payload;
        source.Deliver(record);
        if (i % 64 == 63 || i + 1 == count)
        {
            // Now and then a small reply, so that records must wait for the next one.
            const DWORD size = generator.OneIn(4) ? 64 + generator.Below(2000) : WrimonReplyBufferSize;
            for (;;)
            {
                const PortReply result = source.RequestRecords(reply.data(), size);
                if (result.Result != S_OK)
                    break;
                if (result.BytesReturned > size)
                {
                    failure = "a reply overran its buffer";
                    return false;
                }
                if (!CheckReply(reply.data(), result.BytesReturned, figures.Records, failure))
                    return false;
            }
        }
    }
    // Whatever waits comes out, and every record passed on was seen in a reply.
    for (;;)
    {
        const PortReply result = source.RequestRecords(reply.data(), WrimonReplyBufferSize);
        if (result.Result != S_OK)
            break;
        if (!CheckReply(reply.data(), result.BytesReturned, figures.Records, failure))
            return false;
    }
    if (source.PassedRecords() != figures.Records)
    {
        failure = "records were passed on that no reply held";
        return false;
    }
    figures.Malformed = translator.Counts().Malformed;
    return true;
}
