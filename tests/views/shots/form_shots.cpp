// Draws both Qt windows offscreen as they first show, writes them as PNG, and holds pictures of
// the same windows drawn by another view (the Win32 one under Wine) against them, region by
// region from the layout tables.
//
//   form_shots [--dpi DPI] OUT_DIR [MAIN_SHOT PICKER_SHOT]
//
// Writes OUT_DIR/linux-main.png and OUT_DIR/linux-picker.png and, with shots to compare, a
// verdict for every region and OUT_DIR/diff-*.png with the differing pixels in magenta. With
// --dpi the Qt windows are drawn scaled by DPI / 96 (and the files named -DPI.png). Exits 1
// when a region does not match or a shot is not of the window's size, 77 when a shot is missing
// (the run that takes them was skipped).
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "color_picker/frmColor.h"
#include "gamma/RampMath.h"
#include "main_window/frmMain.h"
#include "support/MemoryPlatform.h"
#include "support/PictureMatch.h"
#include "views/qt/ColorWindow.h"
#include "views/qt/MainWindow.h"

namespace {

using picture_match::Check;

picture_match::Image fromQImage(const QImage& source) {
    const QImage img = source.convertToFormat(QImage::Format_RGB32);
    picture_match::Image out{img.width(), img.height(), {}};
    out.rgb.reserve(static_cast<std::size_t>(img.width() * img.height()));
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            out.rgb.push_back(line[x] & 0xFFFFFFu);
        }
    }
    return out;
}

// Prints every region's verdict and writes the differing pixels; true when all regions match.
bool holdAgainst(const char* what, const QImage& ours, const char* shotPath,
                 const picture_match::Regions& regions, const QString& diffPath) {
    const QImage shot(QString::fromLocal8Bit(shotPath));
    if (shot.isNull() || shot.size() != ours.size()) {
        std::printf("FAIL %s: %s is not a picture of %dx%d\n", what, shotPath, ours.width(),
                    ours.height());
        return false;
    }
    const picture_match::Image a = fromQImage(ours);
    const picture_match::Image b = fromQImage(shot);
    std::vector<bool> marks;
    bool all = true;
    for (const picture_match::Verdict& v : picture_match::compare(a, b, regions, &marks)) {
        all = all && v.ok;
        if (v.check == Check::Ink) {
            std::printf("%s %s %s: text, ink %d here from (%d, %d), %d there from (%d, %d)\n",
                        v.ok ? "ok  " : "FAIL", what, v.name.c_str(), v.inkA, v.inkStartA.x,
                        v.inkStartA.y, v.inkB, v.inkStartB.x, v.inkStartB.y);
        } else {
            std::printf("%s %s %s: %d of %d %s\n", v.ok ? "ok  " : "FAIL", what, v.name.c_str(),
                        v.differing, v.pixels,
                        v.check == Check::Same     ? "pixels differ"
                        : v.check == Check::Blocks ? "blocks differ"
                                                   : "pixels show the ground behind it");
        }
    }
    QImage diff = ours.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < diff.height(); ++y) {
        for (int x = 0; x < diff.width(); ++x) {
            if (marks[static_cast<std::size_t>(y * diff.width() + x)]) {
                diff.setPixel(x, y, qRgb(255, 0, 255));
            }
        }
    }
    diff.save(diffPath);
    return all;
}

}  // namespace

int main(int argc, char** argv) {
    int dpi = layout::kDesignDpi;
    if (argc > 2 && std::strcmp(argv[1], "--dpi") == 0) {
        dpi = std::atoi(argv[2]);
        argv[2] = argv[0];
        argv += 2;
        argc -= 2;
    }
    if ((argc != 2 && argc != 4) || dpi < layout::kDesignDpi / 2) {
        std::fprintf(stderr, "usage: form_shots [--dpi DPI] OUT_DIR [MAIN_SHOT PICKER_SHOT]\n");
        return 2;
    }
    const std::string suffix = dpi == layout::kDesignDpi ? "" : "-" + std::to_string(dpi);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_SCALE_FACTOR", std::to_string(static_cast<double>(dpi) / layout::kDesignDpi).c_str(),
           1);
    QTemporaryDir runtime;
    setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));

    // The first start with nothing stored: the default colour, night on.
    MemoryPlatform mp;
    mp.display.setTables(ramp::identity());
    frmMain form(mp.platform);
    MainWindow window(form);
    if (!form.Form_Load()) {
        std::fprintf(stderr, "form_shots: the main form did not load\n");
        return 1;
    }
    const QImage main = window.grab().toImage();
    frmColor pickerForm(form, mp.drag);
    ColorWindow picker(&window, pickerForm);
    pickerForm.Form_Load();
    const QImage pick = picker.grab().toImage();
    const auto file = [&out, &suffix](const char* name) {
        return out.filePath(QString::fromStdString(name + suffix + ".png"));
    };
    if (!main.save(file("linux-main")) || !pick.save(file("linux-picker"))) {
        std::fprintf(stderr, "form_shots: cannot write into %s\n", argv[1]);
        return 1;
    }
    if (argc == 2) {
        return 0;
    }
    for (const char* shot : {argv[2], argv[3]}) {
        if (!QFileInfo::exists(QString::fromLocal8Bit(shot))) {
            std::printf("no %s: the run that takes the pictures was skipped or failed\n", shot);
            return 77;
        }
    }

    const auto mainRegions = picture_match::paint(
        frmMainLayout::kControls, frmMainLayout::kWindow.back, main.width(), main.height(),
        [](int index, int) {
            return frmMainLayout::inWindow(static_cast<frmMainLayout::Id>(index));
        },
        dpi);
    const auto pickerRegions = picture_match::paint(
        frmColorLayout::kControls, frmColorLayout::kWindow.back, pick.width(), pick.height(),
        [](int index, int item) {
            return frmColorLayout::inLoadedWindow(static_cast<frmColorLayout::Id>(index), item);
        },
        dpi);
    const bool mainOk = holdAgainst("main", main, argv[2], mainRegions, file("diff-main"));
    const bool pickerOk = holdAgainst("picker", pick, argv[3], pickerRegions, file("diff-picker"));
    return mainOk && pickerOk ? 0 : 1;
}
