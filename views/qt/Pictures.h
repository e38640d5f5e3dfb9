#pragma once

#include <QIcon>
#include <QPixmap>

#include "forms/Layout.h"

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

    // The pixmap of a design picture (null for None and the two icons).
    const QPixmap& of(layout::Picture picture) const;

    static const Pictures& get();
};
