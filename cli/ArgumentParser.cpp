#include "cli/ArgumentParser.h"

#include <vector>

bool parseArguments(CLI::App& app, const QStringList& args, QString& error)
{
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed;
    for (auto it = args.crbegin(); it != args.crend(); ++it)
        reversed.push_back(it->toLocal8Bit().toStdString());
    app.set_help_flag();
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        error = QString::fromLocal8Bit(e.what());
        return false;
    }
    return true;
}
