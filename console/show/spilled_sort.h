// Records put in order without holding them all: ten thousand at a time are
// sorted in memory, each such run goes to a scratch file, and the runs are merged as the
// records are read back. The changes of a whole fleet after a patch day, or the problems
// of one that stopped answering, can be millions of records.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace korvane::console {

class SpilledSort {
 public:
  using Record = std::vector<std::string>;
  // Whether a record goes before another; records neither goes before keep the order
  // they were added in.
  using Before = std::function<bool(const Record&, const Record&)>;

  explicit SpilledSort(Before before, std::size_t runSize = 10000);
  ~SpilledSort();
  SpilledSort(const SpilledSort&) = delete;
  SpilledSort& operator=(const SpilledSort&) = delete;

  void Add(Record record);
  // Every record, in order; afterwards there are none.
  void Drain(const std::function<void(const Record&)>& each);

 private:
  void Spill();

  Before before_;
  std::size_t runSize_;
  std::vector<Record> records_;
  std::vector<std::filesystem::path> runs_;
};

}  // namespace korvane::console
