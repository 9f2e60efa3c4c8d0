#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/SplitPath.h"

namespace
{
struct SplitCase
{
    const wchar_t* path;
    std::vector<std::wstring> parts;
};

TEST(SplitPath, SkipsEmptyComponents)
{
    const SplitCase cases[] = {
        {L"C:\\Users\\a.txt", {L"C:", L"Users", L"a.txt"}},
        {L"C:\\Temp\\", {L"C:", L"Temp"}},
        {L"\\Device\\HarddiskVolume2", {L"Device", L"HarddiskVolume2"}},
        {L"#:\\Device\\HarddiskVolume9\\a.txt", {L"#:", L"Device", L"HarddiskVolume9", L"a.txt"}},
        {L"C:\\\\a\\\\\\b", {L"C:", L"a", L"b"}},
        {L"name", {L"name"}},
        {L"\\", {}},
        {L"\\\\\\", {}},
        {L"", {}},
        {L"C: \\ x ", {L"C: ", L" x "}}, // blanks are part of the names
    };
    for (const SplitCase& c : cases)
    {
        std::vector<std::wstring> parts;
        const int count = SplitPath(c.path, parts);
        EXPECT_EQ(c.parts, parts) << testing::PrintToString(std::wstring(c.path));
        EXPECT_EQ(static_cast<int>(c.parts.size()), count) << testing::PrintToString(std::wstring(c.path));
    }
}

TEST(SplitPath, AppendsToWhatIsThereAndCountsAll)
{
    std::vector<std::wstring> parts = {L"kept"};
    EXPECT_EQ(3, SplitPath(L"C:\\x", parts));
    EXPECT_EQ((std::vector<std::wstring>{L"kept", L"C:", L"x"}), parts);
    EXPECT_EQ(3, SplitPath(L"\\", parts));
}
} // namespace
