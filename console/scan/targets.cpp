#include "console/scan/targets.h"

#include "lab/model/lab_store.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>

namespace korvane::console {

namespace {

std::string Trim(const std::string& text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  return text.substr(b, e - b);
}

// The lower-case partner of an upper-case letter, or the code point itself.
char32_t FoldCodePoint(char32_t c) {
  if (c >= U'A' && c <= U'Z') return c + 0x20;
  if (c < 0x80) return c;
  if (c == 0xB5) return 0x3BC;  // micro sign: Greek mu
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  if (c == 0x178) return 0xFF;
  if (c == 0x17F) return U's';  // long s
  if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
    return c | 1;  // even upper, odd lower
  }
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
    return (c & 1) != 0 ? c + 1 : c;  // odd upper, even lower
  }
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 0x25;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 0x3F;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;
  if (c == 0x3C2) return 0x3C3;  // final sigma
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  return c;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string FoldComputerName(std::string_view name) {
  std::string folded;
  folded.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    const auto byte = static_cast<unsigned char>(name[i]);
    // Two-byte sequences cover every letter folded here; anything else is copied.
    if (byte >= 0xC2 && byte <= 0xDF && i + 1 < name.size() &&
        (static_cast<unsigned char>(name[i + 1]) & 0xC0) == 0x80) {
      const char32_t c = (static_cast<char32_t>(byte & 0x1F) << 6) |
                         (static_cast<unsigned char>(name[i + 1]) & 0x3F);
      AppendUtf8(folded, FoldCodePoint(c));
      i += 2;
    } else {
      folded += byte < 0x80 ? static_cast<char>(FoldCodePoint(byte)) : name[i];
      ++i;
    }
  }
  return folded;
}

std::vector<std::string> ReadTargetFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw UsageError("cannot read the target list " + path);
  std::vector<std::string> names;
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    line = Trim(line);
    if (!line.empty()) names.push_back(line);
  }
  return names;
}

std::vector<std::string> LabComputers(const std::string& labDirectory) {
  const lab::LabStore store(labDirectory);
  if (!store.IsDirectory()) throw UsageError("no lab directory " + labDirectory);
  std::vector<std::string> names;
  try {
    for (lab::ComputerFile& file : store.List().computers) names.push_back(std::move(file.name));
  } catch (const std::runtime_error& e) {
    throw UsageError(e.what());
  }
  return names;
}

std::vector<std::string> ExpandTargets(const std::vector<std::string>& targets,
                                       const std::string& labDirectory,
                                       std::vector<std::string>* duplicates) {
  std::vector<std::string> all;
  auto add = [&](const std::vector<std::string>& names) { all.insert(all.end(), names.begin(), names.end()); };
  if (targets.empty()) {
    if (labDirectory.empty()) throw UsageError("no computers to scan: name them, give @FILE, or --lab DIR");
    add(LabComputers(labDirectory));
  }
  for (const auto& target : targets) {
    if (!target.empty() && target[0] == '@') {
      add(ReadTargetFile(target.substr(1)));
    } else if (target == "all") {
      if (labDirectory.empty()) throw UsageError("\"all\" needs --lab DIR");
      add(LabComputers(labDirectory));
    } else {
      add({target});
    }
  }
  std::vector<std::string> unique;
  std::set<std::string> seen;
  for (const auto& name : all) {
    if (name.find(',') != std::string::npos) {
      throw UsageError("a computer name cannot hold a comma: " + name);
    }
    for (char c : name) {
      // A line break would let a name pass for two lines of the console's output and log.
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
        throw UsageError("a computer name cannot hold a control character: " + name);
      }
    }
    if (seen.insert(FoldComputerName(name)).second) {
      unique.push_back(name);
    } else if (duplicates != nullptr) {
      duplicates->push_back(name);
    }
  }
  return unique;
}

}  // namespace korvane::console
