#include <QApplication>

#include <gtest/gtest.h>

// Fonts, images with text and widgets need the application object. Without a
// screen (and during test discovery, which runs outside ctest's environment)
// the offscreen platform stands in for one.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
