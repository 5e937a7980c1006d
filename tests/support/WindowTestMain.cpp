#include "windows/CorvaneApplication.h"

#include <gtest/gtest.h>

using namespace corvane;

// The windows need the application object, and the program's own, which
// catches what escapes an event handler. Without a screen (and during test
// discovery, outside ctest's environment) the offscreen platform stands in.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    windows::CorvaneApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
