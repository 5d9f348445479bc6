// Checks the skin the build drew from the manifest, and that every image name the program's
// sources load is part of it.
#include "skin/manifest.h"
#include "source_literals.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string readText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

const std::vector<skin::ImageEntry>& manifestEntries()
{
    static const std::vector<skin::ImageEntry> entries = [] {
        const auto m = skin::parseManifest(readText(VIRETO_SKIN_MANIFEST), "images.txt");
        EXPECT_TRUE(m.ok()) << m.error;
        return m.entries;
    }();
    return entries;
}

bool inManifest(std::string_view name)
{
    for (const auto& e : manifestEntries()) {
        if (e.path == name) {
            return true;
        }
    }
    return false;
}

QImage loadSkin(int folder, const std::string& name)
{
    const std::string path =
        std::string(VIRETO_BIN_DIR) + "/skin/" + std::to_string(folder) + "/" + name;
    return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_ARGB32);
}

// Mean saturation of the clearly visible pixels, 0 (grey) to 1.
double meanSaturation(const QImage& image)
{
    double sum = 0;
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 160) {
                sum += c.hsvSaturationF();
                ++count;
            }
        }
    }
    return count ? sum / count : 0;
}

double alphaSum(const QImage& image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            sum += qAlpha(image.pixel(x, y));
        }
    }
    return sum;
}

// Relative luminance as used for contrast ratios.
double luminance(const QColor& c)
{
    auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Base names that come with the four state images NAME, NAME1, NAME2 and NAME3.
std::vector<std::string> tileBases()
{
    std::vector<std::string> bases;
    for (const auto& e : manifestEntries()) {
        const std::string base = e.path.substr(0, e.path.size() - 4);
        if (inManifest(base + "1.png") && inManifest(base + "2.png") &&
            inManifest(base + "3.png")) {
            bases.push_back(base);
        }
    }
    return bases;
}

} // namespace

TEST(SkinImagesTest, ManifestHoldsTheNamesTheWindowsUse)
{
    EXPECT_GE(manifestEntries().size(), 80u);
    for (const char* name : {"back_pixmap.png",
                             "Vireto.png",
                             "min1.png",
                             "min2.png",
                             "quit1.png",
                             "quit2.png",
                             "button_Enabled.png",
                             "button_Press2.png",
                             "update1.png",
                             "update2.png",
                             "MP_adjustScreen3.png",
                             "reconnect.png",
                             "calibration.png",
                             "calibration1-5.png",
                             "calibration2-5.png",
                             "arrow2_Press.png",
                             "Qualified.png",
                             "NoQualified.png",
                             "set/set.png",
                             "set/arrow_right_Press.png",
                             "set/radio_off.png",
                             "messageBox/messageBox.png"}) {
        EXPECT_TRUE(inManifest(name)) << name;
    }
}

TEST(SkinImagesTest, EveryImageExistsAtEverySizeAndIsADrawing)
{
    for (const skin::SkinSize& s : skin::kSkins) {
        for (const auto& e : manifestEntries()) {
            SCOPED_TRACE(std::to_string(s.folder) + "/" + e.path);
            const QImage image = loadSkin(s.folder, e.path);
            ASSERT_FALSE(image.isNull());
            EXPECT_EQ(image.width(), skin::scaled(e.width, s));
            EXPECT_EQ(image.height(), skin::scaled(e.height, s));

            std::set<QRgb> colours;
            int visible = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb px = image.pixel(x, y);
                    visible += qAlpha(px) > 0;
                    if (colours.size() < 16) {
                        colours.insert(px);
                    }
                }
            }
            EXPECT_GE(colours.size(), 16u) << "looks like a flat fill";
            EXPECT_GT(visible, image.width() * image.height() / 10) << "almost empty";
        }
    }
}

TEST(SkinImagesTest, StateImagesDifferAndDisabledIsGrey)
{
    const auto bases = tileBases();
    EXPECT_GE(bases.size(), 12u);
    for (const std::string& base : bases) {
        SCOPED_TRACE(base);
        const QImage normal = loadSkin(1920, base + ".png");
        const QImage focus = loadSkin(1920, base + "1.png");
        const QImage pressed = loadSkin(1920, base + "2.png");
        const QImage disabled = loadSkin(1920, base + "3.png");
        EXPECT_NE(normal, focus);
        EXPECT_NE(normal, pressed);
        EXPECT_NE(focus, pressed);
        EXPECT_GT(meanSaturation(normal), 0.3);
        EXPECT_LT(meanSaturation(disabled), 0.12);
    }
}

TEST(SkinImagesTest, TilesOfOneStateShowDifferentIcons)
{
    const auto bases = tileBases();
    for (size_t i = 0; i < bases.size(); ++i) {
        for (size_t j = i + 1; j < bases.size(); ++j) {
            EXPECT_NE(loadSkin(1920, bases[i] + ".png"), loadSkin(1920, bases[j] + ".png"))
                << bases[i] << " and " << bases[j];
        }
    }
}

TEST(SkinImagesTest, PushButtonStates)
{
    for (const char* set : {"", "2"}) {
        const QImage normal = loadSkin(1920, std::string("button_Normal") + set + ".png");
        const QImage focus = loadSkin(1920, std::string("button_Focus") + set + ".png");
        const QImage pressed = loadSkin(1920, std::string("button_Press") + set + ".png");
        EXPECT_NE(normal, focus);
        EXPECT_NE(normal, pressed);
        EXPECT_NE(focus, pressed);
        EXPECT_GT(meanSaturation(normal), 0.3);
    }
    EXPECT_LT(meanSaturation(loadSkin(1920, "button_Enabled.png")), 0.12);
}

TEST(SkinImagesTest, MessageBoxBodyCarriesDarkBlueText)
{
    const QColor text(0, 38, 102);
    for (const skin::SkinSize& s : skin::kSkins) {
        SCOPED_TRACE(s.folder);
        const QImage box = loadSkin(s.folder, "messageBox/messageBox.png");
        ASSERT_FALSE(box.isNull());
        const int band = qRound(box.height() / 8.85);
        for (const double fy : {0.3, 0.55, 0.85}) {
            const QColor body = box.pixelColor(box.width() / 2, int(box.height() * fy));
            EXPECT_EQ(body.alpha(), 255);
            EXPECT_GE(contrast(body, text), 7.0) << "body at " << fy;
        }
        const QColor title = box.pixelColor(box.width() / 2, band / 2);
        EXPECT_GE(contrast(title, Qt::white), 7.0) << "title band should be dark";
    }
}

TEST(SkinImagesTest, AnimationFramesDiffer)
{
    for (const char* family : {"calibration1-", "calibration2-"}) {
        for (int a = 1; a <= 5; ++a) {
            for (int b = a + 1; b <= 5; ++b) {
                const std::string fa = family + std::to_string(a) + ".png";
                const std::string fb = family + std::to_string(b) + ".png";
                EXPECT_NE(loadSkin(1440, fa), loadSkin(1440, fb)) << fa << " and " << fb;
            }
        }
    }
}

TEST(SkinImagesTest, SteadyRingFillsClockwiseFromTheTop)
{
    for (const skin::SkinSize& s : skin::kSkins) {
        SCOPED_TRACE(s.folder);
        double previous = 0;
        for (int frame = 1; frame <= 4; ++frame) {
            const double sum =
                alphaSum(loadSkin(s.folder, "calibration2-" + std::to_string(frame) + ".png"));
            EXPECT_GT(sum, previous) << "frame " << frame;
            previous = sum;
        }
        // A quarter drawn clockwise from twelve o'clock covers the upper right of the ring.
        const QImage quarter = loadSkin(s.folder, "calibration2-1.png");
        const double c = quarter.width() / 2.0;
        const double r = quarter.width() * 29.0 / 96.0 / std::sqrt(2.0);
        const QColor upperRight = quarter.pixelColor(int(c + r), int(c - r));
        const QColor upperLeft = quarter.pixelColor(int(c - r), int(c - r));
        EXPECT_GT(upperRight.lightness(), upperLeft.lightness() + 40);
    }
}

TEST(SkinImagesTest, CornerArrowsPointTheRightWay)
{
    for (const char* suffix : {"", "_Press"}) {
        const QImage left = loadSkin(1920, std::string("arrow1") + suffix + ".png");
        const QImage right = loadSkin(1920, std::string("arrow2") + suffix + ".png");
        const int c = left.width() / 2;
        const int d = left.width() * 20 / 96;
        // arrow1's head lies toward the bottom left, arrow2's toward the bottom right.
        EXPECT_GT(qAlpha(left.pixel(c - d, c + d)), 60) << suffix;
        EXPECT_EQ(qAlpha(left.pixel(c + d, c + d)), 0) << suffix;
        EXPECT_GT(qAlpha(right.pixel(c + d, c + d)), 60) << suffix;
        EXPECT_EQ(qAlpha(right.pixel(c - d, c + d)), 0) << suffix;
    }
}

TEST(SkinImagesTest, VerdictColours)
{
    const QImage pass = loadSkin(1920, "Qualified.png");
    const QImage failed = loadSkin(1920, "NoQualified.png");
    const int y = pass.height() / 2 + pass.height() / 4;
    const QColor p = pass.pixelColor(pass.width() / 4 + 2, y);
    const QColor f = failed.pixelColor(failed.width() / 4 + 2, y);
    EXPECT_GT(p.green(), p.red() + 60);
    EXPECT_GT(f.red(), f.green() + 60);
}

// Every ".png" string literal in the program's sources must name a skin image, or be a
// pattern that produces at least one.
TEST(SkinImagesTest, EveryImageTheCodeLoadsIsInTheManifest)
{
    static const char* const kFolders[] = {"app",         "ui",       "device",     "imaging",
                                           "calibration", "settings", "maintenance"};
    static const std::set<std::string> kExtensions = {".cpp", ".cc", ".cxx", ".h", ".hpp", ".hxx"};

    int checked = 0;
    for (const char* folder : kFolders) {
        const fs::path root = fs::path(VIRETO_SOURCE_DIR) / folder;
        if (!fs::is_directory(root)) {
            continue;
        }
        for (const auto& item : fs::recursive_directory_iterator(root)) {
            if (!item.is_regular_file() || !kExtensions.count(item.path().extension().string())) {
                continue;
            }
            for (const auto& lit : skintest::pngLiterals(readText(item.path()))) {
                const std::string where = item.path().string() + ":" + std::to_string(lit.line);
                switch (skintest::classify(lit.text)) {
                case skintest::LiteralKind::SavedFileSuffix:
                case skintest::LiteralKind::Resource:
                    continue;
                case skintest::LiteralKind::Pattern: {
                    bool any = false;
                    for (const auto& e : manifestEntries()) {
                        any = any || skintest::patternMatches(lit.text, e.path);
                    }
                    EXPECT_TRUE(any) << where << ": no skin image matches \"" << lit.text << '"';
                    break;
                }
                case skintest::LiteralKind::Name:
                    EXPECT_TRUE(inManifest(lit.text))
                        << where << ": \"" << lit.text << "\" is not in skin/images.txt";
                    break;
                }
                ++checked;
            }
        }
    }
    RecordProperty("png_literals_checked", checked);
}
