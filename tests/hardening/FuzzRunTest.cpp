// Short runs of the three fuzzers of bench/: a clean run reports no finding, and each supervisor notices
// a fault and a hang that its worker is told to make, and goes on with the next input.
#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>

namespace
{
constexpr DWORD kRunLimitMs = 300000;

std::wstring BinFolder()
{
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L"\\/"));
}

// Runs a program of the bin folder with arguments and returns what it wrote to its standard output, or
// an empty string (with a test failure) when it could not run to its end.
std::string RunProgram(const std::wstring& program, const std::wstring& arguments)
{
    const std::wstring exe = BinFolder() + L"\\" + program;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
    {
        ADD_FAILURE() << "no pipe, error " << GetLastError();
        return std::string();
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    if (!started)
    {
        ADD_FAILURE() << "cannot start the fuzzer, error " << GetLastError();
        CloseHandle(readEnd);
        return output;
    }
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &read, nullptr) && read != 0)
        output.append(buffer, read);
    CloseHandle(readEnd);
    if (WaitForSingleObject(process.hProcess, kRunLimitMs) != WAIT_OBJECT_0)
    {
        ADD_FAILURE() << "the fuzzer did not end";
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return output;
}

std::string LastLine(const std::string& output)
{
    std::string text = output;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    const size_t start = text.find_last_of('\n');
    std::string line = start == std::string::npos ? text : text.substr(start + 1);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

class FuzzRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const wchar_t* program :
             {L"fuzz_saved_data.exe", L"fuzz_reply_walk.exe", L"fuzz_drive_answers.exe"})
        {
            if (GetFileAttributesW((BinFolder() + L"\\" + program).c_str()) == INVALID_FILE_ATTRIBUTES)
                GTEST_SKIP() << "the fuzzers are not built (benchmarks off)";
        }
    }
};

TEST_F(FuzzRunTest, ShortSavedDataRunFindsNothing)
{
    const std::string output = RunProgram(L"fuzz_saved_data.exe", L"300 --seed 11");
    EXPECT_EQ("300 inputs, 0 crashes, 0 hangs, 0 failed round trips", LastLine(output)) << output;
    EXPECT_NE(std::string::npos, output.find("; 0 inputs over")) << output;
}

TEST_F(FuzzRunTest, ShortReplyRunFindsNothingAndHandsRecordsOn)
{
    const std::string output = RunProgram(L"fuzz_reply_walk.exe", L"30000 --seed 11");
    std::smatch match;
    const std::string last = LastLine(output);
    ASSERT_TRUE(
        std::regex_match(last, match, std::regex("30000 replies, 0 faults, ([0-9]+) records handed on")))
        << output;
    EXPECT_GT(std::stoll(match[1]), 10000) << output;
    EXPECT_NE(std::string::npos, output.find(", 0 records handed on outside their reply")) << output;
    EXPECT_NE(std::string::npos, output.find(", 0 hangs")) << output;
}

TEST_F(FuzzRunTest, ShortDriveAnswerRunFindsNothingAndParsesAnswers)
{
    const std::string output = RunProgram(L"fuzz_drive_answers.exe", L"20000 --seed 11");
    std::smatch match;
    const std::string last = LastLine(output);
    ASSERT_TRUE(std::regex_match(last, match, std::regex("20000 answers, 0 faults, ([0-9]+) parsed")))
        << output;
    EXPECT_GT(std::stoll(match[1]), 5000) << output;
    EXPECT_NE(std::string::npos, output.find("0 results outside their answer, 0 hangs")) << output;
}

TEST_F(FuzzRunTest, SupervisorsCountAFaultAndAHangAndGoOn)
{
    const std::string saved =
        RunProgram(L"fuzz_saved_data.exe", L"40 --fault-at 10 --hang-at 20 --hang-limit-ms 5000");
    EXPECT_EQ("40 inputs, 1 crashes, 1 hangs, 0 failed round trips", LastLine(saved)) << saved;
    EXPECT_NE(std::string::npos, saved.find("crash at input 10 (exception 0xc0000005")) << saved;
    EXPECT_NE(std::string::npos, saved.find("hang at input 20")) << saved;

    // The deliberate fault reads the byte after a placed reply: the guard page is what faults.
    const std::string reply = RunProgram(L"fuzz_reply_walk.exe", L"2000 --fault-at 100");
    EXPECT_EQ(0u, LastLine(reply).find("2000 replies, 1 faults, ")) << reply;
    EXPECT_NE(std::string::npos, reply.find("crash at input 100 (exception 0xc0000005")) << reply;
}
} // namespace
