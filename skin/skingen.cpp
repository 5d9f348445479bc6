// vireto-skingen MANIFEST OUTDIR
//
// Draws every image listed in the manifest, natively at the size of each skin, into
// OUTDIR/1024, OUTDIR/1440 and OUTDIR/1920. Any problem stops the run with a one-line reason
// on stderr and a non-zero exit status.
#include "skin/manifest.h"
#include "skin/paint_kit.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

int fail(const std::string& reason)
{
    std::fprintf(stderr, "vireto-skingen: %s\n", reason.c_str());
    return 1;
}

bool readFile(const char* path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return !in.bad();
}

QImage render(const skin::ImageEntry& entry, const skin::DrawFn& draw, const skin::SkinSize& s)
{
    const int width = skin::scaled(entry.width, s);
    const int height = skin::scaled(entry.height, s);
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal sx = qreal(width) / entry.width;
    const qreal sy = qreal(height) / entry.height;
    painter.scale(sx, sy);
    skin::Canvas canvas{painter, QRectF(0, 0, entry.width, entry.height), 1.0 / sx};
    draw(canvas);
    painter.end();
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        return fail("usage: vireto-skingen MANIFEST OUTDIR");
    }
    std::string text;
    if (!readFile(argv[1], text)) {
        return fail(std::string("cannot read ") + argv[1]);
    }
    const std::string manifestName =
        QFileInfo(QString::fromLocal8Bit(argv[1])).fileName().toStdString();
    const skin::Manifest manifest = skin::parseManifest(text, manifestName);
    if (!manifest.ok()) {
        return fail(manifest.error);
    }
    if (manifest.entries.empty()) {
        return fail(manifestName + ": lists no images");
    }

    // Check every name before drawing anything, so a bad manifest leaves no half-made skin.
    const skin::Registry& painters = skin::registry();
    for (const skin::ImageEntry& entry : manifest.entries) {
        if (painters.find(entry.path) == painters.end()) {
            return fail(manifestName + ":" + std::to_string(entry.line) + ": no drawing for \"" +
                        entry.path + "\"");
        }
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QDir out(QString::fromLocal8Bit(argv[2]));
    int written = 0;
    for (const skin::SkinSize& s : skin::kSkins) {
        for (const skin::ImageEntry& entry : manifest.entries) {
            const QString file =
                out.filePath(QString::number(s.folder) + '/' + QString::fromStdString(entry.path));
            if (!QDir().mkpath(QFileInfo(file).path())) {
                return fail("cannot create folder for " + file.toStdString());
            }
            const QImage image = render(entry, painters.find(entry.path)->second, s);
            if (!image.save(file, "PNG")) {
                return fail("cannot write " + file.toStdString());
            }
            ++written;
        }
    }
    std::printf("vireto-skingen: %d images in %s\n", written, argv[2]);
    return 0;
}
