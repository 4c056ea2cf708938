// `korvane-console report`: a static, self-contained HTML report of an inventory (no
// network, no file outside DIR; the lists' sorting and filtering is a small inline
// script that the pages do not need), written one computer at a time so that the
// memory it needs does not grow with the inventory:
//
//   DIR/report.css            the style of every page
//   DIR/index.html            overview: counts, problems, last seen, systems, memory and
//                             CPU classes, fullest and fastest-filling drives
//   DIR/problems.html         computers that need a look, by kind
//   DIR/changes.html          the fleet's latest changes (all of them: changes.csv)
//   DIR/computers.html        every computer
//   DIR/software.html         census: every program, its computers and versions
//   DIR/software/N.html       one program: its computers, by version
//   DIR/computers/N-NAME.html one computer: values, free-space charts, history, software
//   DIR/TABLE.csv             computers, drives, changes and problems, as
//                             `show --table TABLE --format csv` writes them
//   DIR/software.csv.gz       the software table the same way, compressed: it has a row
//                             for every program of every computer
//
// Every text from the inventory goes through Html() (console/text/escaping.h).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "console/rows/inventory_rows.h"
#include "console/show/show_export.h"
#include "formats/drive_history_text.h"
#include "formats/history_text.h"
#include "formats/software_list_text.h"

namespace korvane::console {

struct ReportContext {
  std::string title;
  std::string generated;  // "YYYY/MM/DD HH:MM:SS" of the report
  int today = 0;          // day number of the report's date
  int staleDays = 30;     // not scanned for longer: a problem
  int changesDays = 7;    // the changes page's days, today included
};

// The file beside the pages that holds `show --table` TABLE: "computers.csv", ...,
// "software.csv.gz".
std::string TableFileName(FleetTable::Kind kind);

// The frame of every page. `root` leads from the page back to DIR ("" or "../"); `base`,
// when given, is the folder the page's own links are relative to (a program page links
// the computer pages by their file name alone, the nav still through `root`).
void WritePageStart(std::ostream& out, const ReportContext& context, const std::string& heading,
                    const std::string& root, const std::string& base = "");
void WritePageEnd(std::ostream& out);
// DIR/report.css, the style every page links to (once for the whole report rather than
// once per page).
void WriteStyleSheet(std::ostream& out);
// The small script that sorts and filters the page's tables of class "list", written
// before WritePageEnd by the pages that have such tables.
void WriteListScript(std::ostream& out);

// An inline SVG chart of one drive's free space; every point carries its stored date and
// value (data-date, data-mb) and a tooltip. `sizeMb` 0 when unknown.
void WriteDriveChart(std::ostream& out, char letter, const std::vector<FreeSpacePoint>& points, double sizeMb);

// The days a chart's time axis marks between `first` and `last` (days since 1970-01-01):
// `first` and then every 1, 2, 7, 14, 28, 56, 91, 182 or 364 days, the smallest step that
// keeps to `most` marks, so the dates stay readable however long the history.
std::vector<int> ChartTicks(int first, int last, int most = 5);

// A day number as "YYYY/MM/DD", the way the histories store dates.
std::string DayText(int day);

// "full in about 12 days" at `perDay` MB lost a day with `freeMb` left; empty text when
// the drive is not filling.
std::string FullInText(double freeMb, double perDay);

// One computer's page.
void WriteComputerPage(std::ostream& out, const ReportContext& context, const ComputerRows& c);

// The update a program name stands for: its KB number ("KB2347290") when it names one,
// else the name itself for an "Update for", "Security Update" or "Hotfix"; empty text for
// an application. Updates are counted per KB on the census and get no page of their own.
std::string UpdateKey(const std::string& program);

// A value for people: the stored text without its pin mark, and a "pinned" mark after it.
std::string ShownHtml(const Variant& v);

}  // namespace korvane::console
