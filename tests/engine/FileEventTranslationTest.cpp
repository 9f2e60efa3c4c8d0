// The translation of the system's file events and its name maps, with synthetic events whose payloads
// end right before a no-access page: a read past a payload crashes the test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/events/FileEventTranslator.h"
#include "engine/events/FileNameMap.h"
#include "support/FileEvents.h"
#include "support/GuardedBuffer.h"

using namespace file_events_test;

namespace
{

constexpr uint64_t kKey = 0xFFFFC30012345670ull;
constexpr uint64_t kObject = 0xFFFFC300ABCDEF00ull;
const std::wstring kName = L"\\Device\\HarddiskVolume3\\Users\\ann\\notes.txt";

std::string Describe(Shape shape)
{
    return "version " + std::to_string(shape.version) + ", " + std::to_string(shape.pointerSize * 8) + "-bit";
}

class FileEventTranslationTest : public ::testing::Test
{
protected:
    // Translates the event with its payload (or its first `length` bytes) at the end of guarded memory.
    bool Take(const SyntheticEvent& event, size_t length = SIZE_MAX)
    {
        if (length > event.payload.size())
            length = event.payload.size();
        const BYTE* payload = m_guard.Place(event.payload.data(), length);
        m_write = FileWrite{0xBAD, 0xBAD, 0xBAD, nullptr, 0xBA, 0xBAD};
        return m_translator.Translate(event.head, payload, length, m_write);
    }
    // The name a write of this key and object gets, or "<none>".
    std::wstring NameOfWrite(uint64_t object, uint64_t key, Shape shape = Shape())
    {
        if (!Take(Write(shape, 8, object, key, 1)))
            return L"<not a write>";
        return m_write.Name != nullptr ? *m_write.Name : L"<none>";
    }

    GuardedBuffer m_guard{70000};
    CQFileEventTranslator m_translator;
    FileWrite m_write = {};
};

const Shape kShapes[] = {{0, 8}, {1, 8}, {0, 4}, {1, 4}, {2, 8}};

TEST_F(FileEventTranslationTest, WritesOfEachVersionAndPointerSizeGiveTheirFieldsAndName)
{
    for (const Shape shape : kShapes)
    {
        SCOPED_TRACE(Describe(shape));
        m_translator = CQFileEventTranslator();
        // 32-bit pointers are zero-extended on both sides.
        const uint64_t key = shape.pointerSize == 8 ? kKey : 0x81234560u;
        ASSERT_FALSE(Take(KeyName(10, shape.pointerSize, key, kName)));
        ASSERT_TRUE(Take(Write(shape, 1234, kObject, key, 65536, 0x43)));
        EXPECT_EQ(1234u, m_write.ProcessId);
        EXPECT_EQ(65536u, m_write.IoSize);
        EXPECT_EQ(0x43u, m_write.IoFlags);
        EXPECT_EQ(shape.version, m_write.Version);
        EXPECT_EQ(shape.pointerSize, m_write.PointerSize);
        ASSERT_NE(nullptr, m_write.Name);
        EXPECT_EQ(kName, *m_write.Name);
        EXPECT_EQ(1u, m_translator.Counts().PagingWrites) << "0x43 has the paging I/O bit";

        // A file opened after the start is named by its create, keyed by the file object.
        const uint64_t object = shape.pointerSize == 8 ? kObject : 0x8ABCDEF0u;
        ASSERT_FALSE(Take(Create(shape, object, L"\\Device\\HarddiskVolume3\\new.log", 30)));
        EXPECT_EQ(L"\\Device\\HarddiskVolume3\\new.log", NameOfWrite(object, 0x99, shape));
    }
}

TEST_F(FileEventTranslationTest, TheHeaderFlagsNotTheBuildSayThePointerSize)
{
    EXPECT_EQ(8u, EventPointerSize(0x40));
    EXPECT_EQ(4u, EventPointerSize(0x20));
    EXPECT_EQ(8u, EventPointerSize(0x60));
    EXPECT_EQ(sizeof(void*), EventPointerSize(0x0));
    // A 64-bit layout read as 32-bit would take the Irp's halves for the file object and key.
    ASSERT_FALSE(Take(KeyName(10, 8, kKey, kName)));
    SyntheticEvent write = Write(Shape{1, 8}, 8, kObject, kKey, 100);
    write.head.Flags = FlagsFor(4);
    ASSERT_TRUE(Take(write));
    EXPECT_EQ(nullptr, m_write.Name);
    EXPECT_NE(100u, m_write.IoSize);
}

TEST_F(FileEventTranslationTest, ShortPayloadsGiveNothingAndLongerOnesTheSameFields)
{
    for (const Shape shape : kShapes)
    {
        SCOPED_TRACE(Describe(shape));
        const SyntheticEvent write = Write(shape, 8, kObject, kKey, 4096, 0x4);
        const size_t minimum = WriteMinimumLength(shape);
        for (size_t length = 0; length < minimum; ++length)
            EXPECT_FALSE(Take(write, length)) << "length " << length;
        EXPECT_TRUE(Take(write, minimum));
        EXPECT_EQ(4096u, m_write.IoSize);

        SyntheticEvent longer = write;
        longer.payload.resize(longer.payload.size() + 200, 0x5A);
        ASSERT_TRUE(Take(longer));
        EXPECT_EQ(4096u, m_write.IoSize);
        EXPECT_EQ(0x4u, m_write.IoFlags);

        // Names: cut anywhere, nothing is read past the end; a create cut before its name names nothing.
        const SyntheticEvent create = Create(shape, kObject, L"\\Device\\HarddiskVolume3\\cut.txt");
        for (size_t length = 0; length <= create.payload.size(); ++length)
            Take(create, length);
        const SyntheticEvent name = KeyName(10, shape.pointerSize, kKey, kName);
        for (size_t length = 0; length <= name.payload.size(); ++length)
            Take(name, length);
        EXPECT_EQ(kName, NameOfWrite(0x77, kKey, shape)) << "the whole name came last";
    }
    EXPECT_GT(m_translator.Counts().Malformed, 0u);
}

TEST_F(FileEventTranslationTest, ANameWithoutANulRunsToThePayloadsEnd)
{
    SyntheticEvent name = KeyName(10, 8, kKey, L"\\Device\\HarddiskVolume3\\open", false);
    name.payload.push_back(0x41); // half a character
    ASSERT_FALSE(Take(name));
    EXPECT_EQ(L"\\Device\\HarddiskVolume3\\open", NameOfWrite(0, kKey));

    // A rundown name that stops inside a NUL's first byte.
    SyntheticEvent rundown = Rundown(4, 0x1000, L"\\Device\\HarddiskVolume3\\r");
    rundown.payload.pop_back();
    ASSERT_FALSE(Take(rundown));
    EXPECT_EQ(L"\\Device\\HarddiskVolume3\\r", NameOfWrite(0, 0x1000, Shape{1, 4}));
}

TEST_F(FileEventTranslationTest, KeysComeAndGoAndTheFileKeyNameComesFirst)
{
    EXPECT_EQ(L"<none>", NameOfWrite(kObject, kKey));
    EXPECT_EQ(1u, m_translator.Counts().UnnamedWrites);

    Take(Create(Shape(), kObject, L"\\Device\\HarddiskVolume3\\by-object"));
    Take(KeyName(10, 8, kKey, L"\\Device\\HarddiskVolume3\\by-key"));
    EXPECT_EQ(L"\\Device\\HarddiskVolume3\\by-key", NameOfWrite(kObject, kKey));

    Take(KeyName(11, 8, kKey, L"\\Device\\HarddiskVolume3\\by-key"));
    EXPECT_EQ(L"\\Device\\HarddiskVolume3\\by-object", NameOfWrite(kObject, kKey));
    EXPECT_EQ(L"<none>", NameOfWrite(0x55, kKey)) << "the deleted key names nothing";

    // The key is reused for another file.
    Take(KeyName(10, 8, kKey, L"\\Device\\HarddiskVolume3\\reused"));
    EXPECT_EQ(L"\\Device\\HarddiskVolume3\\reused", NameOfWrite(0x55, kKey));

    // A file object opened again without a name keeps no old name.
    Take(Create(Shape(), kObject, L""));
    EXPECT_EQ(L"<none>", NameOfWrite(kObject, 0x66));
    EXPECT_EQ(3u, m_translator.Counts().UnnamedWrites);
    EXPECT_EQ(6u, m_translator.Counts().Writes);
}

TEST_F(FileEventTranslationTest, TheRundownNamesFilesOpenBeforeTheStart)
{
    Take(Rundown(8, 0x2000, L"\\Device\\HarddiskVolume3\\pagefile.sys"));
    Take(Rundown(8, 0x3000, L"\\Device\\HarddiskVolume3\\$Mft", FileIoClassGuid));
    SyntheticEvent other = Rundown(8, 0x4000, L"\\Device\\HarddiskVolume3\\not-a-rundown");
    other.head.Opcode = 35;
    Take(other);
    EXPECT_EQ(L"\\Device\\HarddiskVolume3\\pagefile.sys", NameOfWrite(0, 0x2000));
    EXPECT_EQ(L"\\Device\\HarddiskVolume3\\$Mft", NameOfWrite(0, 0x3000));
    EXPECT_EQ(L"<none>", NameOfWrite(0, 0x4000));
    EXPECT_EQ(2u, m_translator.Counts().RundownNames);
}

TEST_F(FileEventTranslationTest, OtherProvidersAreNoWritesAndLossReportsAreCounted)
{
    SyntheticEvent foreign = Write(Shape(), 8, kObject, kKey, 100);
    foreign.head.ProviderId = FileIoClassGuid;
    EXPECT_FALSE(Take(foreign));
    SyntheticEvent close = Write(Shape(), 8, kObject, kKey, 100);
    close.head.Id = 14;
    EXPECT_FALSE(Take(close));
    for (UCHAR opcode : {UCHAR(31), UCHAR(32), UCHAR(33), UCHAR(34), UCHAR(35)})
        Take(LossReport(opcode));
    EXPECT_EQ(3u, m_translator.Counts().LossReports);
    EXPECT_EQ(0u, m_translator.Counts().Writes);
    EXPECT_EQ(7u, m_translator.Counts().Events);
}

TEST(FileNameMapTest, NamesInUseStayAndTheMapStaysBounded)
{
    CQFileNameMap map(2);
    map.Set(1, L"one");
    map.Set(2, L"two");
    map.Set(3, L"three");            // 1 and 2 become the older half
    ASSERT_NE(nullptr, map.Find(1)); // and 1 comes back
    map.Set(4, L"four");             // the newer half (3, 1) is full: 2 goes
    EXPECT_EQ(nullptr, map.Find(2));
    ASSERT_NE(nullptr, map.Find(1));
    EXPECT_EQ(L"one", *map.Find(1));
    ASSERT_NE(nullptr, map.Find(3));
    EXPECT_EQ(L"three", *map.Find(3));
    for (uint64_t key = 10; key < 1000; ++key)
    {
        map.Set(key, L"x");
        ASSERT_LE(map.Size(), 4u);
    }
    map.Set(999, L"renamed");
    EXPECT_EQ(L"renamed", *map.Find(999));
    map.Remove(999);
    EXPECT_EQ(nullptr, map.Find(999));
}

} // namespace
