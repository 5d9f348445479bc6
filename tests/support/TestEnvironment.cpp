// Linked into every test program: before anything else runs, the offscreen platform
// and per-user folders inside the build tree, so that nothing a test does reaches the
// user's own settings, data or log folders. A variable set already is kept.
#include <cstdlib>
#include <string>

namespace {

struct TestEnvironment {
    TestEnvironment()
    {
        const std::string xdg = VIRETO_TEST_XDG_DIR;
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        setenv("XDG_CONFIG_HOME", (xdg + "/config").c_str(), 0);
        setenv("XDG_DATA_HOME", (xdg + "/data").c_str(), 0);
        setenv("XDG_STATE_HOME", (xdg + "/state").c_str(), 0);
    }
};

const TestEnvironment environment;

} // namespace
