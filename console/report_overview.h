// What the report's overview and census gather while the computers stream past: counts,
// classes and the few drives worth a look are kept; the computer list goes to a file as
// it is made. Memory grows only with the distinct systems, programs and versions (and
// four bytes per installation, for the census links), not with the computer pages.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "console/report.h"

namespace korvane::console {

// "computers/00042-PC01.html": numbered, so that names differing only in letter case or
// in characters a file system refuses still get pages of their own.
std::string ComputerPageName(std::size_t number, const std::string& name);

class ReportOverview : public ProgramLinks {
 public:
  ReportOverview(std::filesystem::path dir, ReportContext context);

  // Adds one computer, whose page is `page` (relative to DIR).
  void Add(const ComputerRows& c, const std::string& page);
  // The LastAccess table's times: the last-seen distribution.
  void AddLastAccess(const std::vector<std::pair<std::string, Variant>>& times);

  // index.html, software.html and the program pages.
  void Finish();

  std::string PageOf(const std::string& program) override;

 private:
  struct Drive {
    std::string computer, page;
    char letter;
    double free, size, perDay;  // perDay: MB per day lost (positive) for the trend list
  };
  struct Program {
    std::size_t number = 0;  // its page: software/N.html
    std::map<std::string, std::vector<uint32_t>> versions;  // version -> computers
  };

  void KeepTop(std::vector<Drive>& list, Drive d, bool (*before)(const Drive&, const Drive&));
  void WriteIndex();
  void WriteCensus();

  std::filesystem::path dir_;
  ReportContext context_;
  std::ofstream rows_;  // the computer list, written as the computers come
  std::filesystem::path rowsPath_;
  std::size_t computers_ = 0;
  std::map<std::string, std::size_t> systems_, memory_, processors_, lastSeen_;
  std::vector<Drive> fullest_, fastest_;
  std::map<std::string, Program> programs_;
  std::vector<std::pair<std::string, std::string>> computerPages_;  // name, page, for census links
};

}  // namespace korvane::console
