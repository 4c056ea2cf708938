// The frame shared by the report's pages, and its charts: plain HTML and CSS with inline
// SVG, so a page opens from a file or a stick with scripts off.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <optional>

#include "scan/conversions.h"
#include "console/text/escaping.h"
#include "console/text/inventory_text.h"
#include "console/report/report.h"

namespace korvane::console {

namespace {

constexpr const char* kStyle = R"(
body{font:14px/1.4 "DejaVu Sans",Arial,sans-serif;margin:0;color:#1d2733;background:#f4f6f8}
header{background:#243b53;color:#fff;padding:10px 24px}
header a{color:#d9e8f6;margin-right:18px;text-decoration:none}
header .title{font-size:18px;font-weight:bold;margin-right:28px}
main{padding:12px 24px 32px}
h1{font-size:22px;margin:12px 0}
h2{font-size:17px;margin:22px 0 8px;border-bottom:1px solid #c8d2dc;padding-bottom:3px}
section.cards{display:flex;flex-wrap:wrap;gap:12px}
.card{background:#fff;border:1px solid #d5dde5;border-radius:6px;padding:10px 14px;min-width:170px}
.card .big{font-size:26px;font-weight:bold}
table{border-collapse:collapse;background:#fff;margin:4px 0 10px}
th,td{border:1px solid #d5dde5;padding:3px 8px;text-align:left;vertical-align:top}
th{background:#e6ecf2}
td.num{text-align:right;font-variant-numeric:tabular-nums}
.pinned{background:#fff3c4;border:1px solid #e0b800;border-radius:3px;font-size:11px;padding:0 4px;margin-left:6px}
.bar{display:inline-block;height:10px;background:#3b82c4;vertical-align:middle}
.bar.full{background:#d64545}
.grid{display:flex;flex-wrap:wrap;gap:18px}
.grid>div{flex:1 1 380px;min-width:0}
ol.timeline{list-style:none;padding:0}
ol.timeline li{padding:3px 0;border-bottom:1px dotted #ccd}
ol.timeline time{color:#5c6b7a;font-variant-numeric:tabular-nums;margin-right:10px}
ol.timeline mark{display:inline-block;min-width:74px;font-size:11px;text-align:center;border-radius:3px;padding:0 4px;margin-right:8px;color:#fff;background:#7b8794}
ol.timeline mark.c{background:#2f855a}ol.timeline mark.f{background:#3b6fb6}ol.timeline mark.i{background:#38a169}
ol.timeline mark.r{background:#c53030}ol.timeline mark.u{background:#b7791f}
ul.services{columns:18em;padding-left:18px}
svg.chart{background:#fff;border:1px solid #d5dde5}
svg.chart text{font-size:11px;fill:#5c6b7a}
svg.chart circle{fill:#243b53}
svg.chart .axis{stroke:#9aa5b1;fill:none}
svg.chart .trend{stroke:#c2410c;stroke-dasharray:5 4}
svg.chart .free{fill:none;stroke:#3b82c4;stroke-width:2}
.muted{color:#7b8794}
header nav{display:inline}
.scroll{overflow-x:auto;max-width:100%}
ul.toc{padding-left:18px}
table{display:block;overflow-x:auto;max-width:100%;width:max-content}
main{overflow-wrap:anywhere}
svg.chart{max-width:100%;height:auto}
input.filter{margin:4px 0;padding:3px 6px;width:16em;max-width:90%}
th[data-dir=a]::after{content:" \\25B2"}th[data-dir=d]::after{content:" \\25BC"}
footer{color:#7b8794;font-size:12px;padding:0 24px 16px}
)";

}  // namespace

void WritePageStart(std::ostream& out, const ReportContext& context, const std::string& heading,
                    const std::string& root, const std::string& base) {
  out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  if (!base.empty()) out << "<base href=\"" << base << "\">\n";
  out
      << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      << "<title>" << Html(heading) << " - " << Html(context.title) << "</title>\n<link rel=\"stylesheet\" href=\""
      << root << "report.css\">\n</head>\n<body>\n<header><span class=\"title\">" << Html(context.title) << "</span>"
      << "\n<nav><a href=\"" << root << "index.html\">Overview</a>\n<a href=\"" << root << "problems.html\">Problems</a>\n"
      << "<a href=\"" << root << "changes.html\">Changes</a>\n<a href=\"" << root << "computers.html\">Computers</a>\n"
      << "<a href=\"" << root << "software.html\">Software</a></nav></header>\n<main>\n<h1>" << Html(heading) << "</h1>\n";
}

void WriteStyleSheet(std::ostream& out) { out << kStyle; }

// Sorting and filtering of the page's lists, added by the page itself: without script the
// lists are complete and in their written order. A filter can come with the address
// ("computers.html#q=Windows XP"), which is how the overview's classes lead to their
// computers; a row matches on its text and its data-classes.
constexpr const char* kListScript = R"(<script>
(function(){
var q0=decodeURIComponent((location.hash.match(/^#q=(.*)$/)||[,""])[1]);
document.querySelectorAll("table.list").forEach(function(t){
var b=t.tBodies[0];if(!b||!t.tHead)return;
var f=document.createElement("input");f.type="search";f.className="filter";f.placeholder="Filter";
f.setAttribute("aria-label","Filter the table");t.parentNode.insertBefore(f,t);
var run=function(){var q=f.value.toLowerCase();for(var i=0;i<b.rows.length;i++){var r=b.rows[i];
r.hidden=!!q&&(r.textContent+" "+(r.dataset.classes||"")).toLowerCase().indexOf(q)<0;}};
f.addEventListener("input",run);if(q0){f.value=q0;run();}
var hs=t.tHead.rows[0].cells;
Array.prototype.forEach.call(hs,function(h,i){h.style.cursor="pointer";h.title="Sort";
h.addEventListener("click",function(){var d=h.dataset.dir==="a"?"d":"a";
Array.prototype.forEach.call(hs,function(x){delete x.dataset.dir;});h.dataset.dir=d;
var k=function(r){var c=r.cells[i];return c?(c.dataset.sort!==undefined?c.dataset.sort:c.textContent):"";};
Array.prototype.slice.call(b.rows).sort(function(p,q){var x=k(p),y=k(q),n=parseFloat(x),m=parseFloat(y);
var c=(/^-?[0-9.]+$/.test(x)&&/^-?[0-9.]+$/.test(y))?n-m:x.localeCompare(y,undefined,{numeric:true});
return d==="a"?c:-c;}).forEach(function(r){b.appendChild(r);});});});});
})();
</script>
)";

void WriteListScript(std::ostream& out) { out << kListScript; }

void WritePageEnd(std::ostream& out) {
  out << "</main>\n<footer>Written by korvane-console report.</footer>\n</body>\n</html>\n";
}

std::string ShownHtml(const Variant& v) {
  if (IsPinned(v)) return Html(UnpinnedText(v)) + "<span class=\"pinned\" title=\"kept by the administrator\">pinned</span>";
  return Html(Text(v));
}

std::vector<int> ChartTicks(int first, int last, int most) {
  if (last < first) std::swap(first, last);
  static const int kSteps[] = {1, 2, 7, 14, 28, 56, 91, 182, 364};
  int step = kSteps[std::size(kSteps) - 1];
  for (int s : kSteps) {
    if ((last - first) / s + 1 <= most) {
      step = s;
      break;
    }
  }
  // Past the longest step, spread the marks evenly instead.
  if ((last - first) / step + 1 > most) step = (last - first + most - 2) / std::max(most - 1, 1);
  std::vector<int> ticks;
  for (int day = first; day <= last; day += std::max(step, 1)) ticks.push_back(day);
  return ticks;
}

std::string DayText(int day) {
  // Civil from days (proleptic Gregorian), the inverse of the histories' date reading.
  const long z = day + 719468L;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  const long d = doy - (153 * mp + 2) / 5 + 1;
  const long m = mp < 10 ? mp + 3 : mp - 9;
  const long y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  char text[64];
  std::snprintf(text, sizeof text, "%04ld/%02ld/%02ld", y, m, d);
  return text;
}

std::string FullInText(double freeMb, double perDay) {
  if (!(perDay > 0)) return "";
  return "full in about " + DaysText(std::max(freeMb, 0.0) / perDay);
}

void WriteDriveChart(std::ostream& out, char letter, const std::vector<FreeSpacePoint>& points, double sizeMb) {
  std::vector<const FreeSpacePoint*> valid;
  for (const auto& p : points) {
    if (p.valid) valid.push_back(&p);
  }
  constexpr double kWidth = 560, kHeight = 190, kLeft = 64, kRight = 16, kTop = 14, kBottom = 30;
  out << "<figure class=\"drive\"><figcaption>Drive " << letter << ": free space</figcaption>\n"
      << "<svg class=\"chart\" data-drive=\"" << letter << "\" width=\"" << kWidth << "\" height=\"" << kHeight
      << "\" viewBox=\"0 0 " << kWidth << " " << kHeight << "\" role=\"img\" aria-label=\"Free space of drive "
      << letter << ":\">";
  if (valid.empty()) {
    out << "\n<text x=\"" << kLeft << "\" y=\"" << kHeight / 2 << "\">no readable entries</text>\n</svg></figure>\n";
    return;
  }
  // The chart's own tooltip names the first and the latest stored values; every value is
  // in `show NAME`.
  const FreeSpacePoint& first = *valid.front();
  const FreeSpacePoint& latest = *valid.back();
  out << "<title>Drive " << letter << ": " << Html(first.value) << " MB free on " << Html(first.date);
  if (valid.size() > 1) out << ", " << Html(latest.value) << " MB on " << Html(latest.date);
  out << " (" << valid.size() << (valid.size() == 1 ? " entry" : " entries") << ")</title>\n";
  double top = sizeMb;
  for (const auto* p : valid) top = std::max(top, p->megabytes);
  if (top <= 0) top = 1;
  int lo = valid.front()->day, hi = lo;
  for (const auto* p : valid) {
    lo = std::min(lo, p->day);
    hi = std::max(hi, p->day);
  }
  const double span = hi > lo ? hi - lo : 1;
  // Whole pixels: a chart has sixty points or more, and a report thousands of charts.
  const auto x = [&](int day) {
    return static_cast<long>(kLeft + (hi > lo ? (day - lo) / span : 0.5) * (kWidth - kLeft - kRight) + 0.5);
  };
  const auto y = [&](double mb) { return static_cast<long>(kTop + (1 - mb / top) * (kHeight - kTop - kBottom) + 0.5); };
  const long bottom = y(0);
  // Axes and the date marks in one path; the top value, zero and the dates as text.
  out << "<path class=\"axis\" d=\"M" << kLeft << " " << bottom << "H" << kWidth - kRight << "M" << kLeft << " " << kTop
      << "V" << bottom;
  const std::vector<int> ticks = hi > lo ? ChartTicks(lo, hi) : std::vector<int>{};
  for (int day : ticks) out << "M" << x(day) << " " << bottom << "v4";
  out << "\"/>\n<text x=\"4\" y=\"" << kTop + 4 << "\">" << SizeText(top) << "</text><text x=\"4\" y=\"" << bottom
      << "\">0</text>\n";
  // The dates along the bottom, centred under their marks unless said otherwise.
  out << "<g class=\"dates\" text-anchor=\"middle\" transform=\"translate(0 " << kHeight - 8 << ")\">";
  for (std::size_t i = 0; i < ticks.size(); ++i) {
    const long at = x(ticks[i]);
    // The first label starts at its mark and the last ends at it, so neither leaves the chart.
    const char* anchor =
        i == 0 ? " text-anchor=\"start\""
               : (i + 1 == ticks.size() && static_cast<double>(at) > kWidth - kRight - 40 ? " text-anchor=\"end\"" : "");
    out << "<text x=\"" << at << "\"" << anchor << ">" << DayText(ticks[i]) << "</text>";
  }
  if (ticks.empty()) out << "<text x=\"" << kLeft << "\" text-anchor=\"start\">" << Html(first.date) << "</text>";
  out << "</g>";
  // The least-squares line the "full soonest" list ranks drives by, through the mean point.
  const std::optional<double> trend = FreeSpaceTrend(points);
  if (trend) {
    double meanDay = 0, meanMb = 0;
    for (const auto* p : valid) {
      meanDay += p->day;
      meanMb += p->megabytes;
    }
    meanDay /= static_cast<double>(valid.size());
    meanMb /= static_cast<double>(valid.size());
    const auto at = [&](int day) { return std::clamp(meanMb + *trend * (day - meanDay), 0.0, top); };
    out << "\n<path class=\"trend\" d=\"M" << x(lo) << " " << y(at(lo)) << "L" << x(hi) << " " << y(at(hi)) << "\"/>";
  }
  out << "\n<polyline class=\"free\" points=\"";
  for (const auto* p : valid) out << x(p->day) << "," << y(p->megabytes) << " ";
  out << "\"/>\n<circle cx=\"" << x(latest.day) << "\" cy=\"" << y(latest.megabytes) << "\" r=\"3\"><title>"
      << Html(latest.date) << ": " << Html(latest.value) << " MB</title></circle>\n";
  out << "</svg>";
  if (trend && *trend < 0) out << "<div class=\"full-in\">" << FullInText(valid.back()->megabytes, -*trend) << "</div>";
  std::size_t unread = points.size() - valid.size();
  if (unread > 0) out << "<div class=\"muted\">" << unread << " stored entries could not be read.</div>";
  out << "</figure>\n";
}

}  // namespace korvane::console
