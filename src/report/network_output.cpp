#include "report/network_output.h"

#include <algorithm>
#include <cmath>

#include "report/log_time.h"
#include "report/printf_text.h"
#include "report/report_picture.h"
#include "report/summary_text.h"

namespace novabit::report {

namespace {

std::string utc_stamp(std::int64_t utc) {
  LocalTime when = local_time_of(utc);
  when.utcOffset = 0;
  return utc_text(when);
}

}  // namespace

std::string network_summary_text(const NetworkReport& report, bool outsideWindows) {
  std::string text = printf_text("NovaBit network report: %s, %s with at least two of them",
                                 plural(static_cast<std::int64_t>(report.stations.size()), "station").c_str(),
                                 plural(report.seconds, "second").c_str());
  text += report.firstUtc ? " (" + utc_stamp(*report.firstUtc) + " to " + utc_stamp(*report.lastUtc) + ")\n" : "\n";
  text +=
      "z = (k - 100) / sqrt(50) of each station's second; Z_t = sum z / sqrt(S_t) over the S_t stations of\n"
      "second t; chi-square p upper tail; 95 % envelope of the cumulative network variance 1.96 sqrt(2 T)\n";
  if (outsideWindows) text += "The seconds inside each station's hidden windows are left out.\n";
  text += printf_text("\n  network variance sum(Z_t^2 - 1) = %.3f over %lld seconds, p %s; envelope %.1f\n",
                      report.network_variance(), static_cast<long long>(report.seconds),
                      p_text(report.network_p()).c_str(), NetworkReport::envelope(report.seconds));
  text += printf_text("  device variance sum(z^2 - 1)    = %.3f over %lld station-seconds, p %s\n",
                      report.device_variance(), static_cast<long long>(report.stationSeconds),
                      p_text(report.device_p()).c_str());
  text += "\nStations\n  station               seconds  Stouffer Z         p  health alarms  late passes";
  text += outsideWindows ? "  in windows\n" : "\n";
  std::string problems;
  for (const NetworkStation& station : report.stations) {
    const SeriesStatistics& s = station.series;
    text += printf_text("  %-19s %9lld  %10.3f  %8s  %13lld  %11lld", station.name.c_str(),
                        static_cast<long long>(station.seconds), s.stouffer_z(), p_text(s.stouffer_p()).c_str(),
                        static_cast<long long>(station.healthAlarms), static_cast<long long>(station.latePasses));
    text += outsideWindows ? printf_text("  %10lld\n", static_cast<long long>(station.insideWindows)) : "\n";
    for (std::size_t f = 0; f < station.files.size(); ++f) {
      text += "      " + station.files[f] + (f > 0 ? " (a copy: its seconds counted once)\n" : "\n");
      append_notes(station.files[f], station.notes[f], problems);
    }
  }
  for (const FileNote& note : report.leftOut) problems += note.file + ": " + note.message + "\n";
  if (!problems.empty()) text += "\nNotes on the input, by file and line\n" + problems;
  return text;
}

Outcome NetworkCsv::add(const NetworkSecond& second) {
  row_ = utc_stamp(second.utc);
  row_ += ',';
  append_number(row_, second.stations);
  row_ += ',';
  append_number(row_, second.z, std::chars_format::fixed, 6);
  row_ += ',';
  append_number(row_, second.cumulativeVariance, std::chars_format::fixed, 3);
  return file_.add(row_);
}

figures::Figure network_figure(const NetworkReport& report) {
  figures::Figure figure;
  figure.seconds = static_cast<double>(report.seconds);
  figure.timeAxis = "time with two or more stations";
  figure.legend = {{figures::Stroke::curve, "cumulative network variance"},
                   {figures::Stroke::envelope, "95 % envelope"}};
  if (report.seconds == 0) figure.emptyNote = "no second with at least two stations";
  figures::Panel& panel = figure.panels.emplace_back();
  panel.valueAxis = "\u03A3 (Z\u00B2 \u2212 1)";
  add_limit(panel, figures::Stroke::envelope, report.seconds, 1, NetworkReport::envelope);
  panel.curves.push_back({figures::Stroke::curve, static_cast<double>(report.pathStep), report.path});
  return figure;
}

}  // namespace novabit::report
