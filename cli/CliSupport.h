#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

class Device;
class HidTransport;
class VirtualScene;

// What every subcommand gets: its own arguments and the frame it talks to.
struct CliContext {
    QStringList args;   // the subcommand's arguments (the subcommand word removed)
    QString deviceSpec; // --device=WHERE, VIRETO_DEVICE or "hid"
    QString recordPath; // --record FILE: the traffic with the frame, as JSON lines
    bool json = false;  // --json: one JSON object per line instead of text
};

// Exit codes of vireto-cli.
enum CliExit { kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitNoFrame = 3 };

// Numbers on the command line: 0x-hex or decimal, within [min, max].
std::optional<uint32_t> parseNumber(const QString& text, uint32_t min = 0,
                                    uint32_t max = 0xFFFFFFFF);

// One line to stderr; returns code so that callers can write `return fail(...)`.
int fail(int code, const QString& message);
void note(const QString& message);
bool wantsHelp(const QStringList& args);
// A subcommand's usage text: asked for (--help) on stdout with exit 0, as the answer
// to bad arguments on stderr with exit 2.
int usage(const char* text, bool asked);

// Writes one output of vireto-cli to target, or to stdout for "-". A regular file (or a
// new one) is written to a temporary file in the same folder that replaces it only
// once every byte is down, so a failure leaves no partial file; other targets (a
// device, a pipe) are written directly. Every write, flush and close is checked. On a
// failure error holds "cannot write TARGET: reason" and the result is false.
bool writeOutputFile(const QString& target, const QByteArray& bytes, QString& error);
// Flushes stdout at the end of a run: text that never reached its reader (a full disk,
// a closed pipe) turns a success into a failure (exit 1, with a message). Returns the
// exit code to use.
int finishStandardOutput(int exitCode);

// The transport to the frame named by the context, with its lock taken (waiting a few
// seconds for another process to let go) and its traffic recorded when asked. Prints
// the reason and returns nullptr when there is none.
std::unique_ptr<HidTransport> openTransport(const CliContext& context);
// Opens the frame named by the context and marks it present. Prints the reason and
// returns nullptr when there is none.
Device* openFrame(const CliContext& context, uint16_t* productId = nullptr);
// The trail of the frame work: the same daily log as the windows', started when a
// frame is opened (with the command line as its first line) and ended at exit.
void startTrail(const CliContext& context);
void endTrail(int exitCode);

// The scene of the frame openFrame opened when it is the virtual frame (a desktop, an
// operator, printed keys); nullptr for any other frame.
VirtualScene* frameScene();

// A short name of why the last command failed: refused, timed out, link lost.
QString lastFailure(Device& device);
