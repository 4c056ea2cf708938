#include "inventory/history.h"

#include <optional>

#include "scan/conversions.h"
#include "scan/korvane.h"
#include "scan/time_text.h"
#include "inventory/query_texts.h"
#include "inventory/recordset_ref.h"

namespace korvane {

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

std::string HistoryOf(Recordset& assetRow) {
  const Variant h = assetRow.Field(asset::kHistory);
  return h.IsNull() ? std::string() : ToText(h);
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

void TrimHistory(Korvane& k) { CutHistory(k.inv.HistoryText, kHistoryLimit); }

void AppendFieldEntry(Korvane& k, const std::string& changeText) {
  Recordset& row = Opened(k.ctx.RS1);
  k.inv.HistoryText = HistoryOf(row);
  k.inv.HistoryText += HistoryEntry(NowText(k), changeText);
  TrimHistory(k);
  row.Update(asset::kHistory, Variant(k.inv.HistoryText));
}

void AppendSoftwareEntry(Korvane& k, const std::string& changeText) {
  Recordset& row = Opened(k.ctx.RS1);
  std::string history = HistoryOf(row);
  history += HistoryEntry(NowText(k), changeText);
  row.Update(asset::kHistory, Variant(std::move(history)));
}

bool IsPinned(const Variant& stored) {
  return stored.kind() == Variant::Kind::Text && !stored.text().empty() &&
         stored.text().front() == '^';
}

void RecordTextChange(Korvane& k, int16_t ordinal, const std::string& newValue,
                      const std::string& label) {
  const Variant stored = Opened(k.ctx.RS1).Field(ordinal);
  if (IsPinned(stored)) return;
  if (k.inv.AssetRowBlank) return;
  if (stored.IsNull()) return;
  const std::string storedText = ToText(stored);
  if (storedText == newValue) return;
  AppendFieldEntry(k, TextChangeText(label, storedText, newValue));
}

void RecordNumberChange(Korvane& k, int16_t ordinal, double newValue, const std::string& label) {
  if (k.inv.AssetRowBlank) return;
  const Variant stored = Opened(k.ctx.RS1).Field(ordinal);
  if (stored.IsNull()) return;
  const std::optional<double> storedNumber = AsNumber(stored);
  if (storedNumber && *storedNumber == newValue) return;
  AppendFieldEntry(k, NumberChangeText(label, stored, newValue));
}

}  // namespace korvane
