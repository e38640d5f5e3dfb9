#include "views/qt/Pictures.h"

#include <QImageReader>
#include <QtGlobal>

// Resources compiled into a static library need registering once by hand.
static void registerResources() {
    Q_INIT_RESOURCE(resources);
}

namespace {

// Every picture is a PNG. Named as such, and with content sniffing off, Qt's own PNG reader takes
// it at once; otherwise every image-format plugin is loaded first to be asked about it.
QImage readPng(const QString& path) {
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QPixmap png(const char* path) {
    return QPixmap::fromImage(readPng(QString::fromLatin1(path)));
}

QIcon icon(const char* large, const char* small) {
    QIcon i;
    i.addPixmap(png(large));
    i.addPixmap(png(small));
    return i;
}

}  // namespace

const Pictures& Pictures::get() {
    static const Pictures pictures = [] {
        registerResources();
        Pictures p;
        p.miniNormal = png(":/mini_normal.png");
        p.miniFocus = png(":/mini_focus.png");
        p.closeNormal = png(":/close_normal.png");
        p.closeFocus = png(":/close_focus.png");
        p.settingBadge = png(":/setting_badge.png");
        p.advancedBadge = png(":/advanced_badge.png");
        p.lampNight = png(":/lamp_night.png");
        p.lampNormal = png(":/lamp_normal.png");
        p.appIcon = icon(":/app_icon_32.png", ":/app_icon_16.png");
        p.pickerIcon = icon(":/picker_icon_32.png", ":/picker_icon_16.png");
        return p;
    }();
    return pictures;
}

const QPixmap& Pictures::of(layout::Picture picture) const {
    static const QPixmap none;
    switch (picture) {
        case layout::Picture::MiniNormal:
            return miniNormal;
        case layout::Picture::MiniFocus:
            return miniFocus;
        case layout::Picture::CloseNormal:
            return closeNormal;
        case layout::Picture::CloseFocus:
            return closeFocus;
        case layout::Picture::SettingBadge:
            return settingBadge;
        case layout::Picture::AdvancedBadge:
            return advancedBadge;
        case layout::Picture::LampNight:
            return lampNight;
        case layout::Picture::LampNormal:
            return lampNormal;
        case layout::Picture::None:
        case layout::Picture::AppIcon:
        case layout::Picture::PickerIcon:
            break;
    }
    return none;
}
