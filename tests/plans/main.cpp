#include <gtest/gtest.h>

#include <QGuiApplication>

// Qt Pdf 6.4 keeps the data-availability objects of a document whose load
// failed (encrypted, damaged) and never frees them: its leak, not ours. Read
// by LeakSanitizer at start, so the suppression holds however ctest runs us.
extern "C" const char* __lsan_default_suppressions() { return "leak:libQt6Pdf.so\n"; }

int main(int argc, char** argv) {
    // Plans are rendered without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
