// The translation of the system's file events and its name maps, with synthetic events whose payloads
// end right before a no-access page: a read past a payload crashes the test.
#include <gtest/gtest.h>

#include <memory>
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
        m_write = FileWrite{0xBAD, 0xBAD, 0xBAD, nullptr};
        return m_translator->Translate(event.head, payload, length, m_write);
    }
    // The name a write of this key and object gets, or "<none>".
    std::wstring NameOfWrite(uint64_t object, uint64_t key, Shape shape = Shape())
    {
        if (!Take(Write(shape, 8, object, key, 1)))
            return L"<not a write>";
        return m_write.Name != nullptr ? *m_write.Name : L"<none>";
    }

    GuardedBuffer m_guard{70000};
    std::unique_ptr<CQFileEventTranslator> m_translator = std::make_unique<CQFileEventTranslator>();
    FileWrite m_write = {};
};

const Shape kShapes[] = {{0, 8}, {1, 8}, {0, 4}, {1, 4}, {2, 8}};

TEST_F(FileEventTranslationTest, WritesOfEachVersionAndPointerSizeGiveTheirFieldsAndName)
{
    for (const Shape shape : kShapes)
    {
        SCOPED_TRACE(Describe(shape));
        m_translator.reset(new CQFileEventTranslator());
        // 32-bit pointers are zero-extended on both sides.
        const uint64_t key = shape.pointerSize == 8 ? kKey : 0x81234560u;
        ASSERT_FALSE(Take(KeyName(10, shape.pointerSize, key, kName)));
        ASSERT_TRUE(Take(Write(shape, 1234, kObject, key, 65536, 0x43)));
        EXPECT_EQ(1234u, m_write.ProcessId);
        EXPECT_EQ(65536u, m_write.IoSize);
        EXPECT_EQ(0x43u, m_write.IoFlags);
        ASSERT_NE(nullptr, m_write.Name);
        EXPECT_EQ(kName, *m_write.Name);
        EXPECT_EQ(1u, m_translator->Counts().PagingWrites) << "0x43 has the paging I/O bit";

        // A file opened after the start is named by its create, keyed by the file object (which version 0
        // has after the thread pointer).
        const uint64_t object = shape.pointerSize == 8 ? kObject : 0x8ABCDEF0u;
        ASSERT_FALSE(Take(Create(shape, object, L"\\Device\\HarddiskVolume3\\new.log", 30)));
        EXPECT_EQ(L"\\Device\\HarddiskVolume3\\new.log", NameOfWrite(object, 0x99, shape));
        ASSERT_FALSE(Take(Create(shape, object + 0x40, L"\\Device\\HarddiskVolume3\\opened.txt", 12)));
        EXPECT_EQ(L"\\Device\\HarddiskVolume3\\opened.txt", NameOfWrite(object + 0x40, 0x98, shape));
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
        const size_t minimum = WriteTable(shape.version).OffsetOf("IOFlags", shape.pointerSize) + 4;
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
    EXPECT_GT(m_translator->Counts().Malformed, 0u);
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
    EXPECT_EQ(1u, m_translator->Counts().UnnamedWrites);

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
    EXPECT_EQ(3u, m_translator->Counts().UnnamedWrites);
    EXPECT_EQ(6u, m_translator->Counts().Writes);
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
    EXPECT_EQ(2u, m_translator->Counts().RundownNames);
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
    EXPECT_EQ(3u, m_translator->Counts().LossReports);
    EXPECT_EQ(0u, m_translator->Counts().Writes);
    EXPECT_EQ(7u, m_translator->Counts().Events);
}

TEST_F(FileEventTranslationTest, ALateDeletionOrARundownNameNeverUndoesANewerName)
{
    // The key is reused: its new file is named before the deletion of the old name arrives.
    Take(KeyName(10, 8, kKey, L"\\Device\\HarddiskVolume3\\old.txt"));
    Take(KeyName(10, 8, kKey, L"\\Device\\HarddiskVolume3\\new.txt"));
    Take(KeyName(11, 8, kKey, L"\\Device\\HarddiskVolume3\\old.txt"));
    EXPECT_EQ(L"\\Device\\HarddiskVolume3\\new.txt", NameOfWrite(0, kKey));
    EXPECT_EQ(1u, m_translator->Counts().StaleDeletions);
    Take(KeyName(11, 8, kKey, L"\\Device\\HarddiskVolume3\\new.txt"));
    EXPECT_EQ(L"<none>", NameOfWrite(0, kKey));

    // The rundown describes the start; a live name given since stays, an unnamed key is filled.
    Take(KeyName(10, 8, 0x2000, L"\\Device\\HarddiskVolume3\\renamed.txt"));
    Take(Rundown(8, 0x2000, L"\\Device\\HarddiskVolume3\\before-rename.txt"));
    Take(Rundown(8, 0x3000, L"\\Device\\HarddiskVolume3\\open-at-start.txt"));
    EXPECT_EQ(L"\\Device\\HarddiskVolume3\\renamed.txt", NameOfWrite(0, 0x2000));
    EXPECT_EQ(L"\\Device\\HarddiskVolume3\\open-at-start.txt", NameOfWrite(0, 0x3000));
    EXPECT_EQ(2u, m_translator->Counts().RundownNames);
}

TEST_F(FileEventTranslationTest, AFileStillWrittenKeepsItsNameWhileOthersAreDroppedForRoom)
{
    // Names of 40 characters; room for about four of them.
    auto nameOf = [](uint64_t key)
    {
        std::wstring name = L"\\Device\\HarddiskVolume3\\f" + std::to_wstring(key);
        name.resize(40, L'x');
        return name;
    };
    const size_t room = 4 * (CQFileNameMap::EntryOverheadBytes + 40 * sizeof(wchar_t));
    m_translator = std::make_unique<CQFileEventTranslator>(room, room);
    Take(KeyName(10, 8, 1, nameOf(1)));
    for (uint64_t key = 100; key < 400; ++key)
    {
        Take(KeyName(10, 8, key, nameOf(key)));
        ASSERT_EQ(nameOf(1), NameOfWrite(0, 1)) << "after key " << key;
        ASSERT_LE(m_translator->KeyNames().Bytes(), room);
    }
    EXPECT_EQ(L"<none>", NameOfWrite(0, 100)) << "an early name not written since went";
    EXPECT_EQ(nameOf(399), NameOfWrite(0, 399));
    EXPECT_LE(m_translator->KeyNames().Size(), 4u);
    EXPECT_GE(m_translator->KeyNames().Evictions(), 296u);
}

TEST(FileEventManifestTest, EveryTablesFieldsArePackedInManifestOrder)
{
    // The tables are written out by hand; a field's offset must be where the ones before it end.
    for (const ManifestTable* table : AllManifestTables())
    {
        for (uint32_t pointerSize : {4u, 8u})
        {
            SCOPED_TRACE(std::string(table->event) + ", " + std::to_string(pointerSize * 8) + "-bit");
            uint32_t end = 0;
            for (const ManifestField& field : table->fields)
            {
                const uint32_t offset = pointerSize == 8 ? field.offset64 : field.offset32;
                EXPECT_EQ(end, offset) << field.name;
                end = offset + (field.type == FieldType::U64       ? 8
                                : field.type == FieldType::Pointer ? pointerSize
                                : field.type == FieldType::U32     ? 4
                                                                   : 0);
            }
        }
    }
}

TEST(FileNameMapTest, TheLeastRecentlyUsedNameGoesFirst)
{
    const std::wstring names[] = {L"first-name-of-twenty", L"second-name-of-twent", L"third-name-of-twenty",
                                  L"fourth-name-of-twent", L"fifth-name-of-twenty"};
    CQFileNameMap map(3 * (CQFileNameMap::EntryOverheadBytes + 20 * sizeof(wchar_t)));
    map.Set(1, names[0]);
    map.Set(2, names[1]);
    map.Set(3, names[2]);
    ASSERT_NE(nullptr, map.Find(1)); // 2 is now the least recently used
    map.Set(4, names[3]);
    EXPECT_FALSE(map.Has(2));
    EXPECT_TRUE(map.Has(1));
    EXPECT_EQ(1u, map.Evictions());
    EXPECT_FALSE(map.Fill(3, names[4])) << "a named key is not named again by a fill";
    EXPECT_EQ(names[2], *map.Find(3));
    EXPECT_FALSE(map.RemoveIf(3, names[4]));
    EXPECT_TRUE(map.RemoveIf(3, names[2]));
    EXPECT_EQ(2u, map.Size());

    // A name larger than the whole bound is still kept, alone.
    CQFileNameMap tiny(1);
    tiny.Set(7, names[0]);
    tiny.Set(8, names[1]);
    EXPECT_EQ(1u, tiny.Size());
    ASSERT_NE(nullptr, tiny.Find(8));
}

} // namespace
