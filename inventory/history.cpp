#include "inventory/history.h"

#include <optional>

#include "scan/conversions.h"
#include "scan/korvane.h"
#include "scan/time_text.h"
#include "inventory/query_texts.h"
#include "inventory/recordset_ref.h"
#include "platform/runtime_error.h"
#include "platform/storable_text.h"

namespace korvane {

namespace {

// The stored value as a number, or nullopt for text that is not one: foreign data in a
// numeric column, which counts as a difference.
std::optional<double> AsNumber(const Variant& v) {
  try {
    return ToDouble(v);
  } catch (const RuntimeError&) {
    return std::nullopt;
  }
}

std::string HistoryOf(Recordset& assetRow) {
  const Variant h = assetRow.Field(asset::kHistory);
  return h.IsNull() ? std::string() : ToText(h);
}

}  // namespace

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

void RecordTextChange(Korvane& k, int16_t ordinal, const std::string& newValue,
                      const std::string& label) {
  const Variant stored = Opened(k.ctx.RS1).Field(ordinal);
  if (IsPinned(stored)) return;
  if (k.inv.AssetRowBlank) return;
  if (stored.IsNull()) return;
  // In the form the collected value has (a NUL stored by another writer is a blank), so
  // that only a real change makes an entry.
  const std::string storedText = StorableText(ToText(stored));
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
