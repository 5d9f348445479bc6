// The operator's files: "Vireto.ini" (switch settings, the shortcut-key layout),
// "Vireto_Key.ini" (key codes) and "Vireto_language.lrp" (texts), all read through the
// same settings parser. The input is written to one file that serves as each of them.
#include "app/CommandLine.h"
#include "app/LanguageTable.h"
#include "app/SettingsFile.h"
#include "calibration/KeyLayout.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_operator_files";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir(QStringLiteral("/dev/shm/vireto-fuzz-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("operator.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    const SettingsFile ini(path);
    const StartupOptions options = parseCommandLine({}, ini, ini);
    for (int language = 0; language < 8; ++language)
        (void)LanguageTable::load(ini, language == 7 ? options.languageIndex : language);

    const shortcut_keys::KeyLayout layout = shortcut_keys::readKeyLayout(ini);
    if (shortcut_keys::problemOf(layout).isEmpty()) {
        for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{1, 1}, std::pair{800, 4000}}) {
            const shortcut_keys::Schematic schematic = shortcut_keys::schematicOf(layout, w, h);
            (void)shortcut_keys::targetListOf(layout, schematic);
        }
    }
    const shortcut_keys::KeyCodes codes = shortcut_keys::readKeyCodes(ini);
    if (codes.error.isEmpty())
        (void)codes.table();
    return 0;
}
