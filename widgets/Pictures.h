#pragma once

#include <QIcon>
#include <QPixmap>

// The pictures of both windows, loaded once from the executable's resources and shared.
struct Pictures {
    QPixmap miniNormal;
    QPixmap miniFocus;
    QPixmap closeNormal;
    QPixmap closeFocus;
    QPixmap settingBadge;
    QPixmap advancedBadge;
    QPixmap lampNight;
    QPixmap lampNormal;
    QIcon appIcon;
    QIcon pickerIcon;

    static const Pictures& get();
};
