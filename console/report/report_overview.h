// What the report's overview and census gather while the computers stream past: counts,
// classes and the few drives worth a look are kept in memory; the computer list and the
// census links (program, version, computer) go to scratch files as they are made and are
// read back at the end, the links split into batches of bounded size, so that each is read
// a fixed number of times whatever the inventory's size. Memory grows with the
// distinct systems, programs and versions and with the computers' names, not with what
// each computer holds.
#pragma once

#include <cstdint>
#include <limits>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "console/report/report.h"
#include "console/report/report_problems.h"

namespace korvane::console {

// "computers/00042-PC01.html": numbered, so that names differing only in letter case or
// in characters a file system refuses still get pages of their own.
std::string ComputerPageName(std::size_t number, const std::string& name);

class ReportOverview {
 public:
  // `batchLinks`: how many census links the program pages may hold in memory at once.
  ReportOverview(std::filesystem::path dir, ReportContext context, std::size_t batchLinks = std::size_t{1} << 18);

  // Adds one computer, whose page is `page` (relative to DIR).
  void Add(const ComputerRows& c, const std::string& page);
  // The LastAccess table's times: the last-seen distribution.
  void AddLastAccess(const std::vector<std::pair<std::string, Variant>>& times);

  // index.html, computers.html, problems.html, changes.html, software.html and the
  // program pages.
  void Finish();

 private:
  // The census page of an application, numbered as first seen.
  std::string PageOf(const std::string& program);

  struct Drive {
    std::string computer, page;
    char letter;
    double free, size, perDay;  // perDay: MB per day lost (positive) for the trend list
  };
  struct Version {
    uint32_t id = 0;
    std::size_t computers = 0;
  };
  struct Program {
    uint32_t number = 0;  // its page: software/N.html
    std::size_t computers = 0;
    uint32_t lastComputer = std::numeric_limits<uint32_t>::max();
    std::map<std::string, Version> versions;
  };
  // One census link in the scratch file.
  struct Link {
    uint32_t program, version, computer;
  };

  void KeepTop(std::vector<Drive>& list, Drive d, bool (*before)(const Drive&, const Drive&));
  void WriteIndex();
  void WriteComputerList();
  void WriteCensus();
  using ProgramEntry = std::pair<const std::string, Program>;
  void WriteProgramPages(const std::vector<const ProgramEntry*>& batch, const std::filesystem::path& links);
  std::vector<std::filesystem::path> SplitLinks(const std::vector<uint32_t>& batchOf, std::size_t batches);

  std::filesystem::path dir_;
  ReportContext context_;
  std::size_t batchLinks_;
  std::ofstream rows_;  // the computer list, written as the computers come
  std::filesystem::path rowsPath_;
  std::size_t computers_ = 0;
  std::map<std::string, std::size_t> systems_, memory_, processors_, lastSeen_;
  std::vector<Drive> fullest_, fastest_;
  // Removable and CD drives with a medium, left out of both lists.
  std::size_t removableDrives_ = 0;
  std::map<std::string, Program> programs_;  // the applications
  struct Update {
    std::size_t computers = 0;
    uint32_t lastComputer = std::numeric_limits<uint32_t>::max();
    std::string name;  // the first name seen for it
  };
  std::map<std::string, Update> updates_;  // by KB
  std::ofstream links_;
  std::filesystem::path linksPath_;
  // Every computer's name and page, for the census links, one after the other in one
  // text: a small string kept per computer would be left between each computer's passing
  // allocations and make the heap ever slower to search.
  struct PageSpan {
    std::size_t at;  // the name, then the page
    uint32_t nameSize, pageSize;
  };
  std::string computerPages_;
  std::vector<PageSpan> computerPageAt_;
  ReportProblems problems_;
};

}  // namespace korvane::console
