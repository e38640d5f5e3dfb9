// Shared main for every test program: a headless Qt application and private XDG folders, so that
// no test touches the user's settings or needs an X server unless it starts one itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    QTemporaryDir runtime;
    QTemporaryDir config;
    QFile::setPermissions(runtime.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);

    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
