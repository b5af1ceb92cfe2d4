// The report's figures against the same figures computed apart: from the
// simulator's trace of each pass of a sealed run, with the plain formulas,
// and the windows from the same trace. Then the numbers' texts at
// every magnitude and chi-square's p against the table, the always-valid
// boundary worked out in Python, and the figure's three files read back by
// other programs: the SVG's curves by Python's XML reader, the PDF's page and
// text by poppler, and the PNG against poppler's own drawing of the PDF.

#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <tuple>

#include "report/events_output.h"
#include "report/network_output.h"
#include "report/report_picture.h"
#include "report/sealed_run.h"
#include "report/summary_text.h"
#include "support/x_server.h"

namespace novabit::report {
namespace {

struct Figures {
  double sumZ = 0, sumZSquared = 0, deviation = 0;
  std::int64_t trials = 0;
  void add(std::int64_t ones, std::int64_t bits) {
    const double z = (ones - bits / 2.0) / std::sqrt(bits / 4.0);
    sumZ += z;
    sumZSquared += z * z;
    deviation += ones - bits / 2.0;
    ++trials;
  }
  void expect_in(const SeriesStatistics& s, std::int64_t bits) const {
    EXPECT_EQ(s.trials, trials);
    EXPECT_NEAR(s.stouffer_z(), sumZ / std::sqrt(trials), 1e-9);
    EXPECT_NEAR(static_cast<double>(s.stouffer_p()) / std::erfc(std::abs(sumZ) / std::sqrt(2.0 * trials)), 1, 1e-6);
    EXPECT_NEAR(s.sumZSquared, sumZSquared, 1e-6);
    EXPECT_EQ(s.deviation, deviation);
    EXPECT_NEAR(s.envelope, 1.96 * std::sqrt(trials * bits / 4.0), 1e-9);
  }
};

// The run's report with its raw record and seal, and the simulator's trace:
// each pass's ones and the window's place.
struct Reported {
  FieldReport report{BoundarySettings{}};
  std::vector<testing::TraceRow> trace = testing::read_trace(testing::sealed_run().folder.file("trace.csv"));
  Reported() {
    const testing::SealedRun& run = testing::sealed_run();
    report = std::move(*build_report(*plan_report({run.log}, {run.trials}, {run.seal}), BoundarySettings{}, {}));
  }
  std::int64_t ones_between(std::size_t first, std::size_t last) const {
    std::int64_t sum = 0;
    for (std::size_t pass = first; pass <= last; ++pass) sum += trace[pass - 1].ones;
    return sum;
  }
};

TEST(ReportFigures, AgreeWithTheSimulatorsTraceComputedApart) {
  const Reported run;
  ASSERT_EQ(run.trace.size(), 45000U);
  Figures all, quarters, seconds;
  std::vector<Figures> cycles(2);
  for (std::size_t pass = 300; pass <= 45000; pass += 300) {
    const std::int64_t ones = run.ones_between(pass - 299, pass);
    all.add(ones, 60000);
    cycles[(pass - 1) / 43201].add(ones, 60000);
    if (pass % 900 == 0) quarters.add(run.ones_between(pass - 899, pass), 180000);
  }
  for (const testing::TraceRow& pass : run.trace) seconds.add(pass.ones, 200);
  all.expect_in(run.report.fiveMinutes.statistics(), 60000);
  quarters.expect_in(run.report.quarters.statistics(), 180000);
  seconds.expect_in(run.report.trials.at(0).seconds.statistics(), 200);
  ASSERT_EQ(run.report.cycles.size(), 2U);
  for (std::size_t c = 0; c < 2; ++c) {
    EXPECT_EQ(run.report.cycles[c].cycle, static_cast<std::int64_t>(c + 1));
    cycles[c].expect_in(run.report.cycles[c].fiveMinutes.statistics(), 60000);
  }
  const WindowCheck& windows = run.report.sealed.at(0).windows;
  ASSERT_EQ(windows.cycles.size(), 2U);
  for (const CycleWindow& window : windows.cycles) {
    const testing::TraceRow& first = run.trace[static_cast<std::size_t>((window.cycle - 1) * 43201)];
    EXPECT_EQ(window.place.startMinute, first.biasStartMinute);
    EXPECT_EQ(window.place.bit, first.biasBit);
  }
  EXPECT_LT(std::abs(windows.cycles[0].outside.stouffer_z()), 3);
  EXPECT_FALSE(windows.cycles[1].scan) << "the second cycle's 6 records are too few for the scan's 20";
}

TEST(ReportFigures, NumbersReadRightAtEveryMagnitude) {
  EXPECT_EQ(e_value_text(std::log(3.5)), "3.50");
  EXPECT_EQ(e_value_text(-2.0), "0.14");
  EXPECT_EQ(e_value_text(400.99999 * std::log(10.0)), "1.0e+401");
  EXPECT_EQ(e_value_text(400.5 * std::log(10.0)), "3.2e+400");
  EXPECT_EQ(p_text(0.0312L), "0.0312");
  EXPECT_EQ(p_text(2.41e-7L), "2.41e-07");
  EXPECT_EQ(p_text(0), "< 1e-4900");
  const std::string empty = summary_text(FieldReport{BoundarySettings{}}, {});
  EXPECT_NE(empty.find("\n  all                        0  (no trials)\n"), std::string::npos) << empty;
  // Chi-square of N trials on exactly N degrees of freedom: the table's upper 5 % points.
  for (const auto& [trials, point] : {std::pair{1, 3.8415}, std::pair{6, 12.5916}, std::pair{150, 179.5806}}) {
    const SeriesStatistics series{trials, 200, 0, point, 0, 0, 0, {}};  // the sum of z^2 at the point
    EXPECT_NEAR(static_cast<double>(series.chi_square_p()), 0.05, 1e-5) << trials;
  }
}

// Worked out in Python: log E = -ln(1 + N tau^2) / 2 + tau^2 S^2 / (2 (1 + N tau^2)).
TEST(ReportFigures, TheBoundaryIsCrossedWhenTheEvidenceReachesOneOverAlpha) {
  SeriesAccumulator series(60000, BoundarySettings{});
  series.add(31000);
  EXPECT_NEAR(series.statistics().maxLogE, 1.7176166632205696, 1e-12);
  EXPECT_FALSE(series.statistics().firstCrossing);
  series.add(31000);
  EXPECT_NEAR(series.statistics().maxLogE, 6.5785627432329115, 1e-12);
  EXPECT_EQ(series.statistics().firstCrossing, 1);
  EXPECT_NEAR(mixture_log_e(series.boundary(2) / std::sqrt(15000.0), 2, 0.235), std::log(20.0), 1e-9);
}

// A PNG's pixels in grey, averaged over blocks of 20 x 20, and its size.
struct GreyBlocks {
  std::uint32_t width = 0, height = 0;
  std::vector<double> blocks;
};

GreyBlocks grey_blocks(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return {};
  image.format = PNG_FORMAT_GRAY;
  std::vector<std::uint8_t> grey(PNG_IMAGE_SIZE(image));
  png_image_finish_read(&image, nullptr, grey.data(), 0, nullptr);
  GreyBlocks result{image.width, image.height, std::vector<double>((image.width / 20) * (image.height / 20))};
  for (std::uint32_t y = 0; y < image.height / 20 * 20; ++y) {
    for (std::uint32_t x = 0; x < image.width / 20 * 20; ++x) {
      result.blocks[y / 20 * (image.width / 20) + x / 20] += grey[y * image.width + x] / 400.0;
    }
  }
  return result;
}

// Each stroked line of more than two points in an SVG, read by Python's XML
// reader: its count of points and its dashes, sorted.
std::vector<std::pair<int, std::string>> svg_lines(const std::string& svg) {
  std::istringstream said(
      testing_x::command_output(
          "python3 -c \"import re, sys, xml.etree.ElementTree as T\n"
          "for p in T.parse(sys.argv[1]).iter('{http://www.w3.org/2000/svg}path'):\n"
          "  d, s = p.get('d'), p.get('style', '')\n"
          "  if 'stroke-width' in s and 'Z' not in d and d.count('L') > 1:\n"
          "    print(d.count('M') + d.count('L'), ''.join(re.findall('dasharray:([^;]*)', s)) or 'solid')\" " +
          svg)
          .value_or(""));
  std::vector<std::pair<int, std::string>> lines;
  for (std::pair<int, std::string> line; said >> line.first >> line.second;) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST(ReportFigures, ReadBackTheSameInSvgPdfAndPng) {
  const Reported run;
  const testing::ScratchDirectory folder;
  const std::string svg = folder.file("f.svg"), pdf = folder.file("f.pdf"), png = folder.file("f.png");
  ASSERT_TRUE(figures::write_figures(report_figure(run.report), {png, svg, pdf, {}}));
  const auto mode = static_cast<unsigned>(std::filesystem::status(svg).permissions());
  EXPECT_TRUE((mode & 0600) == 0600 && (mode & ~0644U) == 0) << std::oct << mode << ": rw-r--r-- at most";
  EXPECT_NE(testing_x::command_output("pdfinfo " + pdf).value_or("").find("Page size:       252 x 187.2 pts"), std::string::npos);
  const auto expect_text = [&pdf](std::initializer_list<const char*> labels) {
    std::string text = testing_x::command_output("pdftotext " + pdf + " -").value_or("");
    std::replace(text.begin(), text.end(), '\n', ' ');
    for (const char* label : labels) EXPECT_NE(text.find(label), std::string::npos) << label << " in " << text;
  };
  expect_text({"cumulative deviation", "95 % envelope", "always-valid boundary", "cycle start", "hidden window",
               "deviation (bits)", "records outside the hidden windows", "time of records, runs end to end (hours)", " 3 ", " 6 ",
               " 9 ", " 12 "});
  // The time axis's labels lie under the second panel, whose note is at its top.
  const std::string words = testing_x::command_output("pdftotext -bbox " + pdf + " -").value_or("");
  const auto top_of = [&words](const std::string& word) {
    const std::size_t at = words.find("\">" + word + "</word>");
    return at == std::string::npos ? -1.0 : std::stod(words.substr(words.rfind("yMin=\"", at) + 6));
  };
  EXPECT_GT(top_of("9"), top_of("outside") + 20) << words;
  // The PNG at 300 pixels per inch against poppler's own rasterizer drawing
  // the PDF: glyphs' edges differ by a few grey levels a block, a curve or a
  // label missing or moved by a pixel or more by far more.
  ASSERT_TRUE(testing_x::command_output("pdftoppm -r 300 -png -singlefile " + pdf + " " + folder.file("poppler")));
  const GreyBlocks ours = grey_blocks(png), poppler = grey_blocks(folder.file("poppler.png"));
  EXPECT_EQ(ours.width, 1050U);
  EXPECT_EQ(ours.height, 780U);
  ASSERT_EQ(ours.blocks.size(), poppler.blocks.size());
  double most = 0;
  for (std::size_t i = 0; i < ours.blocks.size(); ++i) most = std::max(most, std::abs(ours.blocks[i] - poppler.blocks[i]));
  EXPECT_LT(most, 30) << "grey levels of 255";

  // Records that zigzag, so that no two steps of the curve lie on one line,
  // which Cairo would join: 100 records give 101 points from 0; a year of
  // them and more, at 300 x 200 points, at most four in each point across.
  for (const auto& [records, least, most] : {std::tuple{100, 101, 101}, std::tuple{20000, 400, 1200}}) {
    FieldReport zigzag{BoundarySettings{}};
    for (int i = 0; i < records; ++i) zigzag.picture.ones.push_back(i % 2 == 0 ? 30100 : 29950);
    zigzag.picture.window.assign(static_cast<std::size_t>(records), WindowShare::outside);
    ASSERT_TRUE(figures::write_figures(report_figure(zigzag), {std::nullopt, svg, pdf, {300, 200}}));
    std::vector<std::string> dashes;
    for (const auto& [points, dash] : svg_lines(svg)) {
      if (dash == "solid") {
        EXPECT_TRUE(points >= least && points <= most) << points << " of " << records;
      }
      if (std::find(dashes.begin(), dashes.end(), dash) == dashes.end()) dashes.push_back(dash);
    }
    EXPECT_EQ(dashes.size(), 3U) << "the deviation, the envelope and the boundary told apart without colour";
    EXPECT_NE(testing_x::command_output("pdfinfo " + pdf).value_or("").find("Page size:       300 x 200 pts"), std::string::npos);
  }
  // The network's figure of a quarter hour, which once had a single tick.
  NetworkReport network;
  network.seconds = 900;
  network.path.assign(901, 0);
  ASSERT_TRUE(figures::write_figures(network_figure(network), {std::nullopt, std::nullopt, pdf, {}}));
  expect_text({"cumulative network variance", "95 % envelope", "time with two or more stations (minutes)", " 5 ", " 10 ", " 15"});
  // Three events: their cumulative z from 0 in four points, the events counted along the axis.
  events::EventsResult three;
  for (const double cumulative : {1.5, -0.5, 2.0}) three.analysed.emplace_back().cumulativeZ = cumulative;
  ASSERT_TRUE(figures::write_figures(events_figure(three), {std::nullopt, svg, pdf, {}}));
  expect_text({"cumulative z of the events", "pre-registered events, in the order of the list ", " 1 ", " 2 ", " 3 "});
  const auto lines = svg_lines(svg);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), std::pair(4, std::string("solid"))), 1);
}

}  // namespace
}  // namespace novabit::report
