// GoogleTest inside a QApplication on whatever platform the environment names
// (the tests set QT_QPA_PLATFORM=offscreen).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Listing the tests (at build time) needs no display either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OstrelWordToPdf"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
