// The console's commands, dispatched from the command line. Everything but main() lives
// in the library so that tests can call the commands in-process too.
#pragma once

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvane::console {

// What a command throws when its command line is wrong: the console prints the message
// and the usage, and ends with status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The value of an option counting days (`--stale-days 30`); UsageError when it is none.
int DaysOption(const std::string& option, const std::string& value);

// Runs one command; `args` excludes the program name. Returns the exit status.
int ConsoleMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

int RunInitDb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunShowCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunLabCreate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunLabAdvance(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunDemo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace korvane::console
