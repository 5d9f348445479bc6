#include "cli/Subcommands.h"

#include "cli/ArgumentParser.h"

#include "cli/ToolSession.h"
#include "device/Device.h"
#include "imaging/LineImages.h"
#include "imaging/LinePicture.h"

#include <QBuffer>
#include <QImage>

#include <cstdio>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli image grab [--lines N] PREFIX\n"
    "Reads the current line images of both cameras (N lines, 1..11, default 8) and writes\n"
    "PREFIX_Master.png and PREFIX_Slave.png (640 pixels wide, every sensor line drawn 8\n"
    "pixels tall) and the raw frame buffers PREFIX_Master.raw and PREFIX_Slave.raw (7040\n"
    "bytes each: 11 lines of 640, lines not read are 0).";

constexpr uint32_t kDefaultLines = 8;

QByteArray pngOf(const uint8_t* frame, int lines)
{
    const std::vector<uint8_t> raster = linePictureRaster(frame, lines);
    const int height = lines * kLinePictureRowHeight;
    const QImage image(raster.data(), static_cast<int>(frame_geometry::kLineWidth), height,
                       static_cast<qsizetype>(frame_geometry::kLineWidth),
                       QImage::Format_Grayscale8);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG") ? png : QByteArray();
}

} // namespace

int runImage(const CliContext& context)
{
    QStringList args = context.args;
    if (wantsHelp(args) || args.isEmpty()) {
        return usage(kUsage, !args.isEmpty());
    }
    if (args.first() != QLatin1String("grab"))
        return fail(kExitUsage,
                    QStringLiteral("unknown image operation \"%1\" (grab)").arg(args.first()));
    args.removeFirst();
    uint32_t lines = kDefaultLines;
    std::string prefixArgument;
    CLI::App app{"image grab"};
    app.add_option("--lines", lines)->check(CLI::Range(1u, uint32_t(frame_geometry::kBufferLines)));
    app.add_option("PREFIX", prefixArgument)->required();
    QString error;
    if (!parseArguments(app, args, error) || prefixArgument.empty())
        return fail(kExitUsage, error.isEmpty()
                                    ? QStringLiteral("image grab needs one PREFIX")
                                    : error + QStringLiteral(" (image grab [--lines N] PREFIX)"));
    const QString prefix = fromArgument(prefixArgument);

    return inFrameSession(context, [&](Device& device, ToolSession& session) -> int {
        FrameBuffers buffers;
        if (!buffers.valid())
            return fail(kExitFailed, QStringLiteral("no memory for the frame buffers"));
        if (!readPreviewFrame(device, static_cast<int>(lines)))
            return fail(
                kExitFailed,
                QStringLiteral("reading the line images failed: %1").arg(lastFailure(device)));
        const int n = static_cast<int>(lines);
        for (const auto& [camera, frame] : {std::pair{QStringLiteral("Master"), pFrameYA},
                                            std::pair{QStringLiteral("Slave"), pFrameYB}}) {
            const QString png = prefix + "_" + camera + ".png";
            const QString raw = prefix + "_" + camera + ".raw";
            const QByteArray picture = pngOf(frame, n);
            if (picture.isEmpty())
                return fail(kExitFailed, QStringLiteral("cannot encode %1").arg(png));
            QString error;
            if (!writeOutputFile(png, picture, error) ||
                !writeOutputFile(raw,
                                 QByteArray(reinterpret_cast<const char*>(frame),
                                            static_cast<qsizetype>(frame_geometry::kBufferSize)),
                                 error))
                return fail(kExitFailed, error);
            std::printf("%s\n%s\n", qPrintable(png), qPrintable(raw));
        }
        return session.end() ? kExitOk : kExitFailed;
    });
}
