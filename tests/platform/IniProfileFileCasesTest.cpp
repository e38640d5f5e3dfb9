#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/linux/IniProfileFile.h"
#include "settings/ProfileFileCases.h"

// The same table the Windows test program runs against the system's own profile functions.
TEST(IniProfileFile, SharedCaseTable) {
    QTemporaryDir dir;
    IniProfileFile profile;
    checkProfileCases(profile, dir.path().toStdString(), ProfileBackend::Text);
}
