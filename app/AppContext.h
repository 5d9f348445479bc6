#pragma once

#include "app/LogWriter.h"
#include "app/SkinChoice.h"
#include "app/ToolVersion.h"

#include <QString>
#include <QStringList>

#include <cstdint>

// The editions the one executable can open.
enum class Edition { Engineering, User, FactoryTest, SingleFunction };

// Which window start-up opens: tool mode 3 the user edition, 4 the factory test
// edition, otherwise a single function when one is named, else the engineering tool.
Edition chooseEdition(int toolMode, int subFunction);

// Process-wide start-up state, shared by every window and worker.
struct AppContext {
    int32_t toolMode = 1;    // 1 engineering, 2 with debug panels, 3 user, 4 factory test, 5 update
    int32_t subFunction = 0; // single function opened first; 0 = none
    int32_t languageIndex = 0; // 0 .. LanguageCnt-1
    int32_t subVersion = 0;    // 0, 1, 3, 5 or 8; shown after the tool version when set
    QStringList texts;         // the texts of the current language
    QString skinDirectory;     // "./skin/1024/", "./skin/1440/" or "./skin/1920/"
    LogWriter log;             // holds this run's log file name and run prefix

    SkinChoice skin; // the fonts that go with skinDirectory

    // Text N of the language table; an index outside it gives an empty text.
    QString text(int index) const;

    // Chooses the skin and fonts for the desktop and fills the table for the current
    // language. Returns the desktop width.
    int loadLookAndLanguage(int desktopWidth, int desktopHeight);
    int loadSkinOnly(int desktopWidth, int desktopHeight);
    // Another skin of the same set (a window too large for the desktop's own skin):
    // its folder beside the current one, and its fonts.
    void useSkin(const SkinChoice& choice);
    void reloadLanguage();

    Edition edition() const;
};

AppContext& appContext();

// The version shown everywhere: "4.2.5", or "4.2.5-<n>" with a sub-version.
QString toolVersionText(int subVersion);
constexpr const char* kToolVersion = VIRETO_TOOL_VERSION;
