#pragma once

#include <QString>

#include <functional>

class QWidget;

// The operator's choice of a file, as every window asks for one: a dialog titled
// "Open Files " that opens in the program folder ("./") with the given filter
// ("bin Files(*.bin);;ALL FILE(*.*)"). Empty when the operator cancels.
namespace file_choice {

enum class Purpose { Open, Save };

constexpr const char* kBinFilter = "bin Files(*.bin);;ALL FILE(*.*)";
constexpr const char* kIniFilter = "ini Files(*.ini);;ALL FILE(*.*)";

QString choose(QWidget* parent, Purpose purpose, const QString& filter);

// Window tests answer instead of the dialog (nullptr: the dialog again).
using Answerer = std::function<QString(Purpose purpose, const QString& filter)>;
void setAnswerer(Answerer answerer);

} // namespace file_choice
