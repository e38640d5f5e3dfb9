#include "widgets/Pictures.h"

#include <QtGlobal>

// Resources compiled into a static library need registering once by hand.
static void registerResources() {
    Q_INIT_RESOURCE(resources);
}

const Pictures& Pictures::get() {
    static const Pictures pictures = [] {
        registerResources();
        Pictures p;
        p.miniNormal = QPixmap(QStringLiteral(":/mini_normal.png"));
        p.miniFocus = QPixmap(QStringLiteral(":/mini_focus.png"));
        p.closeNormal = QPixmap(QStringLiteral(":/close_normal.png"));
        p.closeFocus = QPixmap(QStringLiteral(":/close_focus.png"));
        p.settingBadge = QPixmap(QStringLiteral(":/setting_badge.png"));
        p.advancedBadge = QPixmap(QStringLiteral(":/advanced_badge.png"));
        p.lampNight = QPixmap(QStringLiteral(":/lamp_night.png"));
        p.lampNormal = QPixmap(QStringLiteral(":/lamp_normal.png"));
        p.appIcon.addFile(QStringLiteral(":/app_icon_32.png"), QSize(32, 32));
        p.appIcon.addFile(QStringLiteral(":/app_icon_16.png"), QSize(16, 16));
        p.pickerIcon.addFile(QStringLiteral(":/picker_icon_32.png"), QSize(32, 32));
        p.pickerIcon.addFile(QStringLiteral(":/picker_icon_16.png"), QSize(16, 16));
        return p;
    }();
    return pictures;
}
