#include "console/show/spilled_sort.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <queue>
#include <random>

#include "platform/runtime_error.h"

namespace korvane::console {

namespace {

void Write(std::ostream& out, const SpilledSort::Record& record) {
  const auto count = static_cast<uint32_t>(record.size());
  out.write(reinterpret_cast<const char*>(&count), sizeof count);
  for (const std::string& field : record) {
    const auto size = static_cast<uint32_t>(field.size());
    out.write(reinterpret_cast<const char*>(&size), sizeof size);
    out.write(field.data(), static_cast<std::streamsize>(field.size()));
  }
}

bool Read(std::istream& in, SpilledSort::Record& record) {
  uint32_t count = 0;
  if (!in.read(reinterpret_cast<char*>(&count), sizeof count)) return false;
  record.assign(count, std::string());
  for (std::string& field : record) {
    uint32_t size = 0;
    in.read(reinterpret_cast<char*>(&size), sizeof size);
    field.resize(size);
    in.read(field.data(), static_cast<std::streamsize>(size));
  }
  if (!in) throw RuntimeError(0, "a scratch file of the sort could not be read back");
  return true;
}

}  // namespace

SpilledSort::SpilledSort(Before before, std::size_t runSize) : before_(std::move(before)), runSize_(runSize) {}

SpilledSort::~SpilledSort() {
  std::error_code error;
  for (const auto& run : runs_) std::filesystem::remove(run, error);
}

void SpilledSort::Add(Record record) {
  records_.push_back(std::move(record));
  if (records_.size() >= runSize_) Spill();
}

void SpilledSort::Spill() {
  std::stable_sort(records_.begin(), records_.end(), before_);
  std::random_device random;
  const std::filesystem::path run = std::filesystem::temp_directory_path() /
                                    ("korvane-sort-" + std::to_string(random()) + "-" + std::to_string(runs_.size()));
  runs_.push_back(run);
  std::ofstream out(run, std::ios::binary | std::ios::trunc);
  for (const Record& r : records_) Write(out, r);
  out.close();
  if (!out) throw RuntimeError(0, "cannot write the scratch file " + run.string());
  records_.clear();
}

void SpilledSort::Drain(const std::function<void(const Record&)>& each) {
  if (runs_.empty()) {
    std::stable_sort(records_.begin(), records_.end(), before_);
    for (const Record& r : records_) each(r);
    records_.clear();
    return;
  }
  if (!records_.empty()) Spill();
  // One record of each run at a time; a tie goes to the earlier run, which was added first.
  std::vector<std::unique_ptr<std::ifstream>> inputs;
  std::vector<Record> heads(runs_.size());
  const auto later = [&](std::size_t x, std::size_t y) {
    if (before_(heads[y], heads[x])) return true;
    if (before_(heads[x], heads[y])) return false;
    return x > y;
  };
  std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(later)> next(later);
  for (std::size_t i = 0; i < runs_.size(); ++i) {
    inputs.push_back(std::make_unique<std::ifstream>(runs_[i], std::ios::binary));
    if (Read(*inputs[i], heads[i])) next.push(i);
  }
  while (!next.empty()) {
    const std::size_t i = next.top();
    next.pop();
    each(heads[i]);
    if (Read(*inputs[i], heads[i])) next.push(i);
  }
  inputs.clear();
  std::error_code error;
  for (const auto& run : runs_) std::filesystem::remove(run, error);
  runs_.clear();
}

}  // namespace korvane::console
