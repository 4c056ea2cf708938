// `korvane-console lab-create` and `lab-advance`: the command lines of the lab's authoring
// tools (lab/authoring), which make and age simulated networks.
#include <filesystem>
#include <ostream>
#include <stdexcept>

#include "console/commands.h"
#include "lab/authoring/lab_advance.h"
#include "lab/authoring/lab_generate.h"

namespace korvane::console {

namespace {

using lab::authoring::AdvanceCounts;
using lab::authoring::LabSettings;

struct LabArgs {
  std::string directory;
  long long number = -1;  // --computers or --days
  bool haveSeed = false;
  uint64_t seed = 1;
  std::string latency;
};

LabArgs ParseLabArgs(const std::vector<std::string>& args, const std::string& countOption, bool allowLatency) {
  LabArgs parsed;
  auto value = [&](std::size_t& i) -> std::string {
    if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a value");
    return args[++i];
  };
  auto number = [](const std::string& option, const std::string& text) {
    try {
      std::size_t used = 0;
      const long long n = std::stoll(text, &used);
      if (used != text.size() || n < 0) throw std::invalid_argument(text);
      return n;
    } catch (const std::exception&) {
      throw UsageError(option + " needs a whole number, not " + text);
    }
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == countOption) {
      parsed.number = number(a, value(i));
    } else if (a == "--seed") {
      parsed.seed = static_cast<uint64_t>(number(a, value(i)));
      parsed.haveSeed = true;
    } else if (allowLatency && a == "--latency") {
      parsed.latency = value(i);
    } else if (!a.empty() && a[0] == '-') {
      throw UsageError("unknown option " + a);
    } else if (parsed.directory.empty()) {
      parsed.directory = a;
    } else {
      throw UsageError("one lab directory only");
    }
  }
  if (parsed.directory.empty()) throw UsageError("name the lab directory");
  if (parsed.number < 0) throw UsageError(countOption + " N is required");
  return parsed;
}

}  // namespace

int RunLabCreate(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
  const LabArgs parsed = ParseLabArgs(args, "--computers", true);
  {
    // Writing a new lab over an old one would mix two networks without a word.
    std::error_code error;
    std::size_t existing = 0;
    for (std::filesystem::directory_iterator it(parsed.directory, error), end; !error && it != end; it.increment(error)) {
      if (it->path().extension() == ".json") ++existing;
    }
    if (existing > 0) {
      throw UsageError(parsed.directory + " already holds a lab (" + std::to_string(existing) +
                       " computer files); lab-create makes a new one: give a new directory, or use "
                       "lab-advance " + parsed.directory + " --days D to let time pass in this one");
    }
  }
  LabSettings settings;
  settings.computers = static_cast<int>(parsed.number);
  settings.seed = parsed.seed;
  if (!parsed.latency.empty()) {
    try {
      settings.latency = lab::authoring::ParseLatency(parsed.latency);
    } catch (const std::exception& e) {
      throw UsageError(std::string("--latency: ") + e.what());
    }
  }
  const int written = lab::authoring::WriteLab(parsed.directory, settings);
  out << "Lab " << parsed.directory << ": " << written << " computers (seed " << settings.seed << ")\n";
  return 0;
}

int RunLabAdvance(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
  const LabArgs parsed = ParseLabArgs(args, "--days", false);
  std::error_code error;
  if (!std::filesystem::is_directory(parsed.directory, error)) throw UsageError("no lab directory " + parsed.directory);
  const AdvanceCounts counts = lab::authoring::AdvanceLab(parsed.directory, static_cast<int>(parsed.number),
                                                          parsed.haveSeed ? &parsed.seed : nullptr);
  for (const auto& line : counts.notable) out << "  " << line << "\n";
  out << "Lab " << parsed.directory << " advanced " << parsed.number << (parsed.number == 1 ? " day:" : " days:");
  bool first = true;
  for (const auto& [kind, n] : counts.byKind) {
    out << (first ? " " : ", ") << n << " " << kind;
    first = false;
  }
  out << (first ? " no changes\n" : "\n");
  return 0;
}

}  // namespace korvane::console
