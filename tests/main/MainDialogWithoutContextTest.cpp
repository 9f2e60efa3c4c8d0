// The main dialog needs the application context; without one it ends at once instead of failing.
#include <gtest/gtest.h>

#include "app/AppContext.h"
#include "ui/main/TavrelloDlg.h"

TEST(MainDialogWithoutContext, EndsAtOnceWithMinusOne)
{
    ASSERT_EQ(nullptr, g_pAppContext) << "the test program has no application context of its own";
    CTavrelloDlg dialog(nullptr);
    EXPECT_EQ(-1, dialog.DoModal());
    EXPECT_EQ(nullptr, dialog.GetHwnd());
}
