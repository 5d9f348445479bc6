#pragma once

#include <CLI/CLI.hpp>
#include <QString>
#include <QStringList>

// A subcommand's own arguments parsed by CLI11: options as "--opt VALUE" (the program
// splits "--opt=VALUE" before), flags, positionals in order. The subcommand declares
// them on app; false, with CLI11's reason in error, when the arguments do not fit.
// The app gets no help flag of its own: SUBCOMMAND --help is answered before.
bool parseArguments(CLI::App& app, const QStringList& args, QString& error);

// CLI11 reads into standard strings; the tool works in QString.
inline QString fromArgument(const std::string& text)
{
    return QString::fromLocal8Bit(text.c_str());
}
