#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/SplitPath.h"

namespace
{
std::vector<std::wstring> Strings(const std::vector<std::wstring_view>& parts)
{
    return std::vector<std::wstring>(parts.begin(), parts.end());
}

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
        const std::wstring path = c.path;
        std::vector<std::wstring_view> parts;
        const int count = SplitPath(path, parts);
        EXPECT_EQ(c.parts, Strings(parts)) << testing::PrintToString(path);
        EXPECT_EQ(static_cast<int>(c.parts.size()), count) << testing::PrintToString(std::wstring(c.path));
    }
}

TEST(SplitPath, AppendsToWhatIsThereAndCountsAll)
{
    const std::wstring first = L"C:\\x", second = L"\\";
    std::vector<std::wstring_view> parts = {L"kept"};
    EXPECT_EQ(3, SplitPath(first, parts));
    EXPECT_EQ((std::vector<std::wstring>{L"kept", L"C:", L"x"}), Strings(parts));
    EXPECT_EQ(3, SplitPath(second, parts));
    // The components point into the path itself.
    EXPECT_EQ(first.data(), parts[1].data());
}
} // namespace
