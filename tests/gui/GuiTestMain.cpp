// One QApplication for the whole test binary, on the offscreen platform unless the
// environment chose another.
#include "gui/Autosave.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // No test leaves recovery copies among the user's own.
    QTemporaryDir recovery;
    korvanix::gui::SetRecoveryFolder(recovery.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
