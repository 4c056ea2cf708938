#include "formats/history_text.h"

#include <optional>

#include "scan/conversions.h"
#include "platform/runtime_error.h"

namespace korvane {

namespace history_text {

std::string ProcessorLabel(int number) { return "Processor " + std::to_string(number); }
std::string ProcessorSpeedLabel(int number) { return ProcessorLabel(number) + " speed"; }
std::string DriveSizeLabel(char letter) { return std::string("Drive ") + letter + ": Size"; }
std::string DriveSystemLabel(char letter) { return std::string("Drive ") + letter + ": System"; }

bool IsFieldLabel(std::string_view label) {
  for (std::string_view fixed : kFixedLabels) {
    if (label == fixed) return true;
  }
  for (int n = 1; n <= 4; ++n) {
    if (label == ProcessorLabel(n) || label == ProcessorSpeedLabel(n)) return true;
  }
  if (label.size() == DriveSizeLabel('C').size() || label.size() == DriveSystemLabel('C').size()) {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
      if (label == DriveSizeLabel(letter) || label == DriveSystemLabel(letter)) return true;
    }
  }
  return false;
}

std::string Changed(std::string_view label) { return std::string(label) + " changed "; }

std::string SoftwareInstalledText(const std::string& program) { return std::string(kInstalled) + program; }
std::string SoftwareRemovedText(const std::string& program) { return std::string(kRemoved) + program; }

std::string SoftwareChangedText(const std::string& program, std::string_view part,
                                const std::string& from, const std::string& to) {
  std::string text = program;
  text += ' ';
  text += part;
  text += kChangedFrom;
  text += from;
  text += " To ";
  text += to;
  return text;
}

}  // namespace history_text

namespace {

bool IsEmptyText(const Variant& v) {
  return v.IsEmpty() || (v.kind() == Variant::Kind::Text && v.text().empty());
}

// The stored value as a number, or nullopt for text that is not one. Such text can only
// be foreign data in a numeric column; it counts as a difference and is quoted as is.
std::optional<double> AsNumber(const Variant& v) {
  try {
    return ToDouble(v);
  } catch (const RuntimeError&) {
    return std::nullopt;
  }
}

std::string StoredNumberText(const Variant& stored) {
  const std::optional<double> n = AsNumber(stored);
  return n ? NumberText(*n) : ToText(stored);
}

// The stored number as it reads when the value is gone: a leading blank holds the place
// of the sign of a number that is not negative.
std::string SignPositionedText(const Variant& stored) {
  const std::optional<double> n = AsNumber(stored);
  if (!n) return ToText(stored);
  return *n < 0 ? NumberText(*n) : " " + NumberText(*n);
}

}  // namespace

std::string HistoryEntry(const std::string& timeText, const std::string& changeText) {
  std::string entry;
  entry.reserve(timeText.size() + changeText.size() + 2);
  entry += timeText;
  entry += '~';
  entry += changeText;
  entry += '^';
  return entry;
}

std::string TextChangeText(const std::string& label, const std::string& stored,
                           const std::string& collected) {
  if (stored.empty()) return label + "from nothing To " + collected;
  if (!collected.empty()) return label + "from " + stored + " To " + collected;
  return label + "from " + stored + " To nothing";
}

std::string NumberChangeText(const std::string& label, const Variant& stored, double collected) {
  if (IsEmptyText(stored)) return label + "from nothing To " + NumberText(collected);
  if (collected != 0) {
    return label + "from " + StoredNumberText(stored) + " To " + NumberText(collected);
  }
  return label + "from " + SignPositionedText(stored) + " To nothing";
}

void TrimHistory(std::string& historyText) {
  const std::size_t p = historyText.find('^');
  // Every entry ends in "^"; text without one is left alone rather than looped over.
  if (p == std::string::npos) return;
  historyText.erase(0, p + 1);
}

void CutHistory(std::string& historyText, std::size_t maxChars) {
  std::size_t total = CharCount(historyText);
  if (total <= maxChars) return;
  std::size_t consumed = 0;
  for (std::size_t i = 0; i < historyText.size(); ++i) {
    const auto byte = static_cast<unsigned char>(historyText[i]);
    if ((byte & 0xC0) != 0x80) ++consumed;
    if (byte == '^' && total - consumed <= maxChars) {
      historyText.erase(0, i + 1);
      return;
    }
  }
}

bool IsPinned(const Variant& stored) {
  return stored.kind() == Variant::Kind::Text && !stored.text().empty() &&
         stored.text().front() == '^';
}

std::string UnpinnedText(const Variant& stored) {
  if (stored.IsNull() || stored.IsEmpty()) return {};
  std::string text = ToText(stored);
  if (IsPinned(stored)) text.erase(0, 1);
  return text;
}

// ---- Reading ----

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(separator, start);
    if (at == std::string::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, at - start));
    start = at + 1;
  }
}

bool StartsWith(const std::string& text, std::string_view prefix) { return text.rfind(prefix, 0) == 0; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "2003/02/14 09:05:30" with whatever separators the scanning computer used: digits in
// the places of the pattern, anything but a digit between them.
bool IsTimeStamp(const std::string& text) {
  static const char kPattern[] = "dddd?dd?dd dd?dd?dd";
  if (text.size() != sizeof kPattern - 1) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = IsDigit(text[i]);
    if (kPattern[i] == 'd' ? !digit : digit) return false;
  }
  return true;
}

// `rest` is what follows "changed from ": "nothing To N", "S To N" or "S To nothing".
void SplitFromTo(const std::string& rest, StoredChange& e) {
  if (StartsWith(rest, "nothing To ")) {
    e.to = rest.substr(11);
    return;
  }
  const std::size_t to = rest.find(" To ");
  if (to == std::string::npos) {
    e.from = rest;
    return;
  }
  e.from = rest.substr(0, to);
  e.to = rest.substr(to + 4);
  if (e.kind == ChangeKind::FieldChanged) {
    if (e.to == "nothing") e.to.clear();
    // A number reported gone carries a sign position.
    if (!e.from.empty() && e.from[0] == ' ') e.from.erase(0, 1);
  }
}

void Classify(StoredChange& e) {
  using namespace history_text;
  const std::string& t = e.text;
  if (t == kCreated) {
    e.kind = ChangeKind::Created;
    return;
  }
  if (StartsWith(t, kInstalled)) {
    e.kind = ChangeKind::SoftwareInstalled;
    e.subject = t.substr(kInstalled.size());
    return;
  }
  if (StartsWith(t, kRemoved)) {
    e.kind = ChangeKind::SoftwareRemoved;
    e.subject = t.substr(kRemoved.size());
    return;
  }
  const std::size_t changed = t.find(kChangedFrom);
  if (changed == std::string::npos) return;
  const std::string label = t.substr(0, changed);
  const std::string rest = t.substr(changed + kChangedFrom.size());
  if (IsFieldLabel(label)) {
    e.kind = ChangeKind::FieldChanged;
    e.subject = label;
    SplitFromTo(rest, e);
    return;
  }
  for (std::string_view what : kProgramParts) {
    const std::string suffix = " " + std::string(what);
    if (label.size() > suffix.size() && label.compare(label.size() - suffix.size(), suffix.size(), suffix) == 0) {
      e.kind = ChangeKind::SoftwareChanged;
      e.subject = label.substr(0, label.size() - suffix.size());
      e.what = what;
      SplitFromTo(rest, e);
      return;
    }
  }
}

}  // namespace

std::vector<StoredChange> ParseHistory(const std::string& history) {
  std::vector<StoredChange> entries;
  for (const std::string& piece : Split(history, '^')) {
    if (piece.empty()) continue;
    const std::size_t tilde = piece.find('~');
    if (tilde != std::string::npos && IsTimeStamp(piece.substr(0, tilde))) {
      StoredChange e;
      e.time = piece.substr(0, tilde);
      e.text = piece.substr(tilde + 1);
      entries.push_back(std::move(e));
    } else if (!entries.empty() && !entries.back().time.empty()) {
      entries.back().text += "^" + piece;
    } else {
      entries.push_back(StoredChange{"", piece});
    }
  }
  for (StoredChange& e : entries) {
    if (!e.time.empty()) Classify(e);
  }
  return entries;
}

}  // namespace korvane
