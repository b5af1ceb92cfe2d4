#include "report/events_output.h"

#include <algorithm>
#include <charconv>

#include "report/csv_file.h"
#include "report/printf_text.h"
#include "report/report_picture.h"
#include "report/summary_text.h"

namespace novabit::report {

namespace {

using events::EventFigures;
using events::EventsNote;

std::string sign_text(const events::Event& event) {
  if (event.statistic != events::Statistic::stouffer) return "";
  return event.sign > 0 ? "+" : "-";
}

std::string stations_text(const EventFigures& figures) {
  if (figures.fewestStations == figures.mostStations) return std::to_string(figures.mostStations);
  return std::to_string(figures.fewestStations) + "-" + std::to_string(figures.mostStations);
}

// The notes of the file and of the analysis, by line.
std::string notes_text(const std::string& path, std::vector<EventsNote> notes) {
  std::stable_sort(notes.begin(), notes.end(),
                   [](const EventsNote& a, const EventsNote& b) { return a.line < b.line; });
  std::string text;
  for (const EventsNote& note : notes)
    text += "  " + path + ":" + std::to_string(note.line) + ": " + note.message + "\n";
  return text;
}

}  // namespace

std::string events_text(const events::EventsFile& file, const events::EventsResult& result) {
  std::string text = "\nPre-registered events: " + file.path + ", sha256 " + file.sha256 + "\n";
  text +=
      "Each event's statistic over its seconds with at least two stations, from its start up to its end (not "
      "included);\np upper tail, z its normal quantile; the events combined by Stouffer's Z = sum z / sqrt(n), p "
      "upper tail;\n95 % envelope of the cumulative z 1.96 sqrt(k) after k events, in the order of the file\n";
  text +=
      "\n  line  event               start                 end                    seconds  stations  statistic"
      "        value  degrees           p        z  cumulative z  envelope\n";
  bool approximate = false;
  for (std::size_t k = 0; k < result.analysed.size(); ++k) {
    const EventFigures& e = result.analysed[k];
    const std::string degrees = e.degreesOfFreedom > 0 ? std::to_string(e.degreesOfFreedom) : "";
    const std::string statistic = events::statistic_name(e.event.statistic) + sign_text(e.event);
    text += printf_text("  %4zu  %-19s %s  %s %9lld  %8s  %-9s %12.3f  %7s  %10s  %7.3f%s  %12.3f  %8.3f\n",
                        e.event.line, e.event.name.c_str(), events::utc_text(e.event.start).c_str(),
                        events::utc_text(e.event.end).c_str(), static_cast<long long>(e.seconds),
                        stations_text(e).c_str(), statistic.c_str(), e.value, degrees.c_str(), p_text(e.p).c_str(), e.z,
                        e.approximate ? "~" : " ", e.cumulativeZ, events::EventsResult::envelope(k + 1));
    approximate = approximate || e.approximate;
  }
  if (approximate) {
    text += "  ~ z by Wilson and Hilferty's cube root of the chi-square: its p lies beyond the reach of long double\n";
  }
  if (result.analysed.empty()) {
    text += "\n  no event holds a second with at least two stations\n";
  } else {
    text += printf_text("\n  Stouffer Z of the %s' z = %.3f, p %s; cumulative z %.3f, envelope %.3f\n",
                        plural(static_cast<std::int64_t>(result.analysed.size()), "event").c_str(), result.stouffer_z(),
                        p_text(result.stouffer_p()).c_str(), result.analysed.back().cumulativeZ,
                        events::EventsResult::envelope(result.analysed.size()));
  }
  std::vector<EventsNote> notes = file.notes;
  notes.insert(notes.end(), result.notes.begin(), result.notes.end());
  if (!notes.empty()) text += "\nNotes on the events, by line\n" + notes_text(file.path, notes);
  return text;
}

std::string register_text(const events::EventsFile& file) {
  std::string text = file.sha256 + "  " + file.path + "\n";
  text += plural(static_cast<std::int64_t>(file.events.size()), "event") + " registered";
  text += file.notes.empty() ? "\n"
                             : ", " + plural(static_cast<std::int64_t>(file.notes.size()), "row") + " left out:\n" +
                                   notes_text(file.path, file.notes);
  return text;
}

std::string events_path(const std::string& networkFile, std::string_view extension) {
  const std::string_view name(networkFile);
  return std::string(name.substr(0, name.size() - (name.ends_with(extension) ? extension.size() : 0))) + ".events" +
         std::string(extension);
}

figures::Figure events_figure(const events::EventsResult& result) {
  const std::size_t count = result.analysed.size();
  figures::Figure figure;
  figure.seconds = static_cast<double>(count);
  figure.countAxis = true;
  figure.timeAxis = "pre-registered events, in the order of the list";
  figure.legend = {{figures::Stroke::curve, "cumulative z of the events"},
                   {figures::Stroke::envelope, "95 % envelope"}};
  if (count == 0) figure.emptyNote = "no event holds a second with at least two stations";
  figures::Panel& panel = figure.panels.emplace_back();
  panel.valueAxis = "\u03A3 z";
  add_limit(panel, figures::Stroke::envelope, static_cast<std::int64_t>(count), 1,
            [](std::int64_t k) { return events::EventsResult::envelope(static_cast<std::size_t>(k)); });
  figures::Curve& cumulative = panel.curves.emplace_back(figures::Curve{figures::Stroke::curve, 1, {0}});
  for (const EventFigures& e : result.analysed) cumulative.values.push_back(e.cumulativeZ);
  return figure;
}

Outcome write_events_csv(const events::EventsResult& result, const std::string& path) {
  CsvFile file(path, kEventsCsvHeader);
  std::string row;
  for (std::size_t k = 0; k < result.analysed.size(); ++k) {
    const EventFigures& e = result.analysed[k];
    row.clear();
    append_number(row, e.event.line);
    row += ',';
    append_field(row, e.event.name);
    for (const std::string& field : {events::utc_text(e.event.start), events::utc_text(e.event.end),
                                     std::string(events::statistic_name(e.event.statistic)), sign_text(e.event)}) {
      row += ',';
      row += field;
    }
    for (const std::int64_t count :
         {e.seconds, std::int64_t{e.fewestStations}, std::int64_t{e.mostStations}, e.stationSeconds}) {
      row += ',';
      append_number(row, count);
    }
    row += ',';
    append_number(row, e.value, std::chars_format::fixed, 6);
    row += ',';
    if (e.degreesOfFreedom > 0) append_number(row, e.degreesOfFreedom);
    row += ',';
    append_number(row, e.p);
    for (const double figure : {e.z, e.cumulativeZ, events::EventsResult::envelope(k + 1)}) {
      row += ',';
      append_number(row, figure, std::chars_format::fixed, 6);
    }
    if (Outcome added = file.add(row); !added) return added;
  }
  return file.close();
}

}  // namespace novabit::report
