#include "engine/PortRequest.h"

#include <gtest/gtest.h>

TEST(PortRequestTest, ClassifiesResults)
{
    struct Case
    {
        HRESULT result;
        PortOutcome outcome;
    };
    const Case cases[] = {
        {S_OK, PortOutcome::Records},
        {HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS), PortOutcome::NothingReady},
        {HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE), PortOutcome::DriverGone},
        {S_FALSE, PortOutcome::Records},
        {static_cast<HRESULT>(0x80070103UL), PortOutcome::NothingReady},
        {static_cast<HRESULT>(0x80070006UL), PortOutcome::DriverGone},
        {E_FAIL, PortOutcome::Unexpected},
        {static_cast<HRESULT>(0x80070002UL), PortOutcome::Unexpected},
        {static_cast<HRESULT>(0x801F0013UL), PortOutcome::Unexpected},
    };
    for (const Case& c : cases)
        EXPECT_EQ(static_cast<int>(c.outcome), static_cast<int>(ClassifyPortResult(c.result)))
            << std::hex << static_cast<unsigned long>(c.result);
}
