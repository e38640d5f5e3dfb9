#include "platform/posix/XdgSettingsDirectory.h"

#include <QStandardPaths>

std::string XdgSettingsDirectory::directory() {
    std::string dir =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString();
    // The file name is joined with its own separator; "/" itself becomes "" for the same reason.
    while (!dir.empty() && dir.back() == '/') {
        dir.pop_back();
    }
    return dir;
}
