// The Close button, the close box and the Escape key all end the program with exit code 0.
#include "EnableUtilityTest.h"

#include <functional>

using Closing = EnableUtilityTest;

TEST_F(Closing, CloseButtonCloseBoxAndEscapeEndWithCodeZero)
{
    writeConfig(kSystemWithClient, kAppsWithModule);
    const struct
    {
        const char* way;
        std::function<void(const UtilityProcess&)> close;
    } ways[] = {
        {"Close button", [](const UtilityProcess& u) { u.click(IDCANCEL); }},
        {"close box", [](const UtilityProcess& u) { u.clickCloseBox(); }},
        {"Escape key", [](const UtilityProcess& u) { u.pressKey(VK_ESCAPE); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        UtilityProcess utility;
        ASSERT_TRUE(utility.started());
        way.close(utility);
        EXPECT_EQ(0u, utility.waitForExit());
    }
}
