#include "output/SvgChart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <optional>

#include "engine/RunError.h"
#include "output/ChartRows.h"
#include "output/Formatting.h"
#include "output/OutputSpool.h"
#include "output/SvgMarkup.h"
#include "output/TextStrip.h"

namespace quantifier_run {
namespace {

// Geometry, in pixels of the rendered picture.
constexpr double kMinLeft = 80;  // room for the value labels, widened for long ones
constexpr double kRight = 20;
constexpr double kPlotWidth = 660;
constexpr size_t kColumns = 660;  // pixel columns across a plot
constexpr double kTitle = 24;
constexpr double kLegendLine = 16;  // a legend that does not fit beside the title
constexpr double kPlotHeight = 120;
constexpr double kAxis = 30;  // frame labels under a plot
constexpr double kGap = 10;
// About this many pixels per bold character (titles) at the chart's font size.
constexpr double kBoldCharWidth = 7.2;

// Sixteen, so that every component of a matrix has its own: Paul Tol's discrete rainbow for 16
// colours (SRON technical note SRON/EPS/TN/09-002, "Colour schemes"), made to stay apart in
// normal vision and in the common colour blindnesses. Ordered so that the first few, a vector's,
// lie farthest apart, and the palest, which stand out least from the plot, come last.
constexpr const char* kPalette[] = {
    "#1965b0", "#72190e", "#f1932d", "#7bafde", "#dc050c", "#882e72", "#aa6f9e", "#90c987",
    "#5289c7", "#e8601c", "#ba8db4", "#4eb265", "#f6c141", "#d1bbd7", "#cae0ab", "#f7f056"};
constexpr const char* kNanColour = "#7f7f7f";
constexpr const char* kInfinityColour = "#bcbd22";

enum : uint8_t { kNan = 1, kUp = 2, kDown = 4 };

// The names of an output's numbers where it has several; none for a single number or a text.
std::vector<std::string> ComponentNames(size_t kind) {
    const auto none = [](const auto&) { return std::vector<std::string>(); };
    return std::visit(Overloaded{
                          [](const XMFLOAT4&) {
                              return std::vector<std::string>{"x", "y", "z", "w"};
                          },
                          [](const XMMATRIX&) {
                              std::vector<std::string> names;
                              for (int row = 1; row <= 4; ++row) {
                                  for (int column = 1; column <= 4; ++column)
                                      names.push_back("m" + std::to_string(row * 10 + column));
                              }
                              return names;
                          },
                          [&](float f) { return none(f); },
                          [&](const TextValue& t) { return none(t); },
                          [&](uint32_t u) { return none(u); },
                          [&](int32_t i) { return none(i); },
                      },
                      CellAlternative(kind));
}

// One pixel column of one component: its first, last, lowest and highest finite values.
struct Summary {
    bool finite = false;
    double first = 0, last = 0, low = 0, high = 0;
    void Add(double v) {
        if (!std::isfinite(v)) return;
        if (!finite) first = low = high = v;
        finite = true;
        last = v;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    bool Constant(double v) const { return finite && low == v && high == v; }
};

// A numeric output's value axis: its ends and their labels.
struct Axis {
    double low = 0, high = 1;
    std::string lowLabel, highLabel, note;
};

std::string AxisLabel(double value, bool whole) {
    return whole ? std::to_string(static_cast<long long>(value))
                 : FormatFloat(static_cast<float>(value));
}

Axis AxisOf(const ChartOutput& output) {
    Axis axis;
    // The axis spans the finite values; a constant gets room around it.
    axis.low = output.low.value_or(0);
    axis.high = output.high.value_or(1);
    if (axis.low == axis.high) {
        double room = std::max(1.0, std::fabs(axis.low) / 10);
        // Whole numbers keep whole ends, labelled exactly.
        if (output.whole) room = std::floor(room);
        axis.low -= room;
        axis.high += room;
    }
    axis.lowLabel = AxisLabel(axis.low, output.whole);
    axis.highLabel = AxisLabel(axis.high, output.whole);
    axis.note = output.low ? AxisLabel(*output.low, output.whole) + " \u2026 " +
                                 AxisLabel(*output.high, output.whole)
                           : "no finite values";
    return axis;
}

// A numeric output, a pixel column (or a frame, when frames are wider) at a time.
struct NumericTrack {
    std::vector<Summary> columns;  // column-major: every component of a column together
    std::vector<uint8_t> marks;    // per column: kNan, kUp, kDown of any component
};

class Chart {
public:
    Chart(const std::vector<std::string>& names, ChartRows& rows)
        : names(names),
          rows(rows),
          frames(rows.Frames()),
          columns(std::min(frames, kColumns)),
          columnWidth(kPlotWidth / static_cast<double>(std::max<size_t>(frames, 1))) {
        size_t longest = 0;
        for (const ChartOutput& output : rows.Outputs()) {
            axes.push_back(AxisOf(output));
            if (frames && !output.text) {
                longest = std::max(
                    {longest, Characters(axes.back().lowLabel), Characters(axes.back().highLabel)});
            }
        }
        left = std::max(kMinLeft, 12 + kCharWidth * static_cast<double>(longest));
    }

    std::string Document(FrameProgress* progress) {
        Read(progress);
        double top = kGap;
        std::string body;
        for (size_t output = 0; output < names.size(); ++output) {
            const bool text = !frames || rows.Outputs()[output].text;
            body += text ? Strip(output, top) : Plot(output, top);
        }
        const double width = left + kPlotWidth + kRight;
        const double height = std::max(top, 2 * kGap);
        geometry = {width, height, left, kPlotWidth};
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
               Number(width) + "\" height=\"" + Number(height) + "\" viewBox=\"0 0 " +
               Number(width) + " " + Number(height) +
               "\" font-family=\"sans-serif\" font-size=\"11\">\n"
               "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n" +
               body + "</svg>\n";
    }

    const ChartGeometry& Geometry() const { return geometry; }

private:
    double X(size_t frame) const { return left + static_cast<double>(frame) * columnWidth; }
    size_t ColumnOf(size_t frame) const { return frame * columns / frames; }
    // The first frame of pixel column `column` (`frames` past the last).
    size_t FirstFrame(size_t column) const { return (column * frames + columns - 1) / columns; }

    void Read(FrameProgress* progress) {
        numeric.resize(names.size());
        for (size_t output = 0; output < names.size(); ++output) {
            const ChartOutput& info = rows.Outputs()[output];
            // A strip's cells are drawn from its own top, where its group places them.
            text.emplace_back([this](size_t frame) { return X(frame); }, frames, kTitle);
            if (info.text) continue;
            numeric[output].columns.resize(columns * info.count);
            numeric[output].marks.resize(columns);
        }
        if (!rows.ReadBack(
                [&](size_t frame, size_t output, const ChartCell& cell) {
                    if (rows.Outputs()[output].text) return text[output].Add(frame, cell.label);
                    NumericTrack& track = numeric[output];
                    const size_t column = ColumnOf(frame);
                    const size_t count = rows.Outputs()[output].count;
                    for (size_t c = 0; c < cell.count && c < count; ++c) {
                        const double v = cell.values[c];
                        track.columns[column * count + c].Add(v);
                        if (std::isnan(v)) track.marks[column] |= kNan;
                        if (std::isinf(v)) track.marks[column] |= v > 0 ? kUp : kDown;
                    }
                },
                progress))
            throw RunError(kExitFailure, "cannot read the results back from a temporary file");
    }

    // Frame labels under a plot or strip whose bottom is at `bottom`, at the middle of their
    // frame's column, every 1, 2 or 5 times a power of ten frames.
    std::string FrameAxis(double bottom) const {
        std::string out = "<g fill=\"#333333\" text-anchor=\"middle\">\n";
        size_t step = 1;
        for (size_t scale = 1; frames / step > 10; scale *= 10) {
            for (size_t factor : {1, 2, 5}) {
                step = factor * scale;
                if (frames / step <= 10) break;
            }
        }
        for (size_t frame = 0; frame < frames; frame += step) {
            const double x = X(frame) + columnWidth / 2;
            out += "<line x1=\"" + Number(x) + "\" y1=\"" + Number(bottom) + "\" x2=\"" +
                   Number(x) + "\" y2=\"" + Number(bottom + 4) + "\" stroke=\"#333333\"/>";
            out += "<text x=\"" + Number(x) + "\" y=\"" + Number(bottom + 15) + "\">" +
                   std::to_string(frame) + "</text>\n";
        }
        out += "<text x=\"" + Number(left + kPlotWidth) + "\" y=\"" + Number(bottom + 27) +
               "\" text-anchor=\"end\">frame</text>\n</g>\n";
        return out;
    }

    // The name in bold and a note after it, shortened to `room` pixels; the whole name is the
    // title's tooltip.
    std::string Title(size_t output, double top, const std::string& note, double room) const {
        const std::string& name = names[output];
        const double noteWidth = 8 + kCharWidth * static_cast<double>(Characters(note));
        const auto fits = static_cast<size_t>(std::max(0.0, (room - noteWidth) / kBoldCharWidth));
        const std::string shown = Shortened(name, std::max<size_t>(fits, 8) - 1);
        return "<text x=\"" + Number(left) + "\" y=\"" + Number(top + 15) +
               "\" font-weight=\"bold\">" +
               (shown == name ? "" : "<title>" + Escaped(name) + "</title>") + Escaped(shown) +
               "<tspan dx=\"8\" font-weight=\"normal\" fill=\"#555555\">" + Escaped(note) +
               "</tspan></text>\n";
    }

    static double TitleWidth(const std::string& name, const std::string& note) {
        return kBoldCharWidth * static_cast<double>(Characters(name)) + 8 +
               kCharWidth * static_cast<double>(Characters(note));
    }

    std::string Plot(size_t output, double& top) {
        const ChartOutput& info = rows.Outputs()[output];
        const Axis& axis = axes[output];
        const std::vector<std::string> componentNames = ComponentNames(info.kind);
        // The legend sits right of the title, or on a line of its own when they would meet.
        double legendWidth = 0;
        for (const std::string& name : componentNames)
            legendWidth += LegendEntryWidth(name);
        const bool legendBelow =
            !componentNames.empty() &&
            TitleWidth(names[output], axis.note) + 10 > kPlotWidth - legendWidth;
        const double legendTop = legendBelow ? top + kTitle - 6 : top;
        const double plotTop = top + kTitle + (legendBelow ? kLegendLine : 0);
        const double plotBottom = plotTop + kPlotHeight;
        const auto y = [&](double v) {
            return plotBottom - (v - axis.low) / (axis.high - axis.low) * kPlotHeight;
        };

        std::string out =
            "<g class=\"chart\" id=\"chart-" + std::to_string(output) + "\">\n" +
            Title(output, top, axis.note,
                  legendBelow || componentNames.empty() ? kPlotWidth : kPlotWidth - legendWidth);
        out += "<rect class=\"plot\" x=\"" + Number(left) + "\" y=\"" + Number(plotTop) +
               "\" width=\"" + Number(kPlotWidth) + "\" height=\"" + Number(kPlotHeight) +
               "\" fill=\"#fafafa\" stroke=\"#999999\"/>\n";
        // Value axis: its two ends, and zero when it lies between them.
        out += "<text x=\"" + Number(left - 6) + "\" y=\"" + Number(y(axis.low) + 4) +
               "\" text-anchor=\"end\" fill=\"#333333\">" + Escaped(axis.lowLabel) + "</text>\n";
        out += "<text x=\"" + Number(left - 6) + "\" y=\"" + Number(y(axis.high) + 4) +
               "\" text-anchor=\"end\" fill=\"#333333\">" + Escaped(axis.highLabel) + "</text>\n";
        if (axis.low < 0 && axis.high > 0) {
            out += "<line x1=\"" + Number(left) + "\" y1=\"" + Number(y(0)) + "\" x2=\"" +
                   Number(left + kPlotWidth) + "\" y2=\"" + Number(y(0)) +
                   "\" stroke=\"#cccccc\" stroke-dasharray=\"4 3\"/>\n";
        }
        const NumericTrack& track = numeric[output];
        std::string marks;
        out += NonFiniteShades(track, plotTop, plotBottom, marks);
        for (size_t c = 0; c < info.count; ++c)
            out += StepLine(track, info.count, c, y, kPalette[c % std::size(kPalette)]);
        // Over the lines, so that no line hides a special value.
        out += marks;
        out += Legend(componentNames, legendTop);
        out += FrameAxis(plotBottom) + "</g>\n";
        top = plotBottom + kAxis + kGap;
        return out;
    }

    // One path per component. A value holds across its frame's column; where a pixel column
    // holds several frames, the line runs through their lowest and highest values there. A
    // column with no finite value breaks the line.
    template <class Y>
    std::string StepLine(const NumericTrack& track, size_t count, size_t component, const Y& y,
                         const char* colour) const {
        std::string path;
        bool drawing = false;
        double at = 0;  // the value the line has reached
        const auto to = [&](double v) {
            if (v != at) path += "V" + Number(y(v));
            at = v;
        };
        for (size_t column = 0; column < columns; ++column) {
            const Summary& s = track.columns[column * count + component];
            if (!s.finite) {
                drawing = false;
                continue;
            }
            if (!drawing) {
                path += "M" + Number(X(FirstFrame(column))) + " " + Number(y(s.first));
                at = s.first;
            }
            to(s.first);
            if (s.low != s.first || s.high != s.first) {
                to(s.low);
                to(s.high);
            }
            to(s.last);
            drawing = true;
            // Equal values in a row make one segment.
            if (column + 1 == columns ||
                !track.columns[(column + 1) * count + component].Constant(s.last))
                path += "H" + Number(X(FirstFrame(column + 1)));
        }
        if (path.empty()) return {};
        return "<path class=\"series\" d=\"" + path + "\" fill=\"none\" stroke=\"" + colour +
               "\" stroke-width=\"2\" stroke-linejoin=\"round\"/>\n";
    }

    // Each run of columns holding the same special values (a NaN or an infinity in any
    // component) gets one shaded band, returned, and one mark, added to `marks`: a triangle
    // at the top for inf, at the bottom for -inf, a circle in the middle for NaN.
    std::string NonFiniteShades(const NumericTrack& track, double plotTop, double plotBottom,
                                std::string& marks) const {
        std::string out;
        for (size_t first = 0; first < columns;) {
            const uint8_t kinds = track.marks[first];
            size_t end = first + 1;
            while (end < columns && track.marks[end] == kinds)
                ++end;
            if (kinds != 0) {
                const double x = X(FirstFrame(first)), width = X(FirstFrame(end)) - x;
                const double middle = x + width / 2;
                // Large enough to see however narrow the run.
                const double half = std::min(5.0, std::max(4.0, width / 2));
                out += "<rect class=\"non-finite\" x=\"" + Number(x) + "\" y=\"" + Number(plotTop) +
                       "\" width=\"" + Number(std::max(width, 1.0)) + "\" height=\"" +
                       Number(kPlotHeight) + "\" fill=\"" +
                       (kinds & kNan ? kNanColour : kInfinityColour) +
                       "\" fill-opacity=\"0.25\"/>\n";
                if (kinds & kUp) marks += Triangle(middle, half, plotTop, 1, "inf");
                if (kinds & kDown) marks += Triangle(middle, half, plotBottom, -1, "-inf");
                if (kinds & kNan) {
                    marks += "<circle class=\"special\" cx=\"" + Number(middle) + "\" cy=\"" +
                             Number((plotTop + plotBottom) / 2) + "\" r=\"" + Number(half) +
                             "\" fill=\"" + kNanColour + "\"><title>nan</title></circle>\n";
                }
            }
            first = end;
        }
        return out;
    }

    // A triangle with its tip at `tip`, pointing up (`direction` 1) or down (-1).
    static std::string Triangle(double middle, double half, double tip, int direction,
                                const char* title) {
        const double base = tip + direction * 2 * half;
        return "<path class=\"special\" d=\"M" + Number(middle - half) + " " + Number(base) + "L" +
               Number(middle) + " " + Number(tip) + "L" + Number(middle + half) + " " +
               Number(base) + "Z\" fill=\"" + kInfinityColour + "\"><title>" + title +
               "</title></path>\n";
    }

    // A swatch, its name and a gap before the next swatch; a vector's one-letter names keep
    // the width they always had.
    static double LegendEntryWidth(const std::string& name) {
        return std::max(36.0, 21 + kCharWidth * static_cast<double>(Characters(name)));
    }

    // The components' colours, right-aligned on the line at `top`.
    std::string Legend(const std::vector<std::string>& componentNames, double top) const {
        std::string out;
        double x = left + kPlotWidth;
        for (size_t i = componentNames.size(); i-- > 0;) {
            x -= LegendEntryWidth(componentNames[i]);
            out += "<rect x=\"" + Number(x) + "\" y=\"" + Number(top + 8) +
                   "\" width=\"10\" height=\"10\" fill=\"" + kPalette[i % std::size(kPalette)] +
                   "\"/><text x=\"" + Number(x + 13) + "\" y=\"" + Number(top + 17) + "\">" +
                   componentNames[i] + "</text>\n";
        }
        return out;
    }

    std::string Strip(size_t output, double& top) {
        const double stripTop = top + kTitle;
        std::string out = "<g class=\"chart\" id=\"chart-" + std::to_string(output) + "\">\n" +
                          Title(output, top, frames ? "text" : "", kPlotWidth);
        out += "<rect class=\"plot\" x=\"" + Number(left) + "\" y=\"" + Number(stripTop) +
               "\" width=\"" + Number(kPlotWidth) + "\" height=\"" + Number(TextStrip::kHeight) +
               "\" fill=\"#fafafa\" stroke=\"#999999\"/>\n";
        // The cells were drawn at the strip's own origin.
        out += "<g transform=\"translate(0 " + Number(top) + ")\">\n" + text[output].Finish() +
               "</g>\n";
        out += FrameAxis(stripTop + TextStrip::kHeight) + "</g>\n";
        top = stripTop + TextStrip::kHeight + kAxis + kGap;
        return out;
    }

    const std::vector<std::string>& names;
    ChartRows& rows;
    const size_t frames;
    const size_t columns;
    const double columnWidth;
    double left = kMinLeft;
    ChartGeometry geometry;
    std::vector<Axis> axes;
    std::vector<NumericTrack> numeric;
    std::vector<TextStrip> text;
};

class SvgWriter : public SvgChartWriter {
public:
    explicit SvgWriter(std::vector<std::string> names)
        : names(std::move(names)), rows(this->names.size()) {}
    void Row(const std::vector<Cell>& cells) override { rows.Add(cells); }
    void Finish(FrameProgress* progress) override {
        Chart chart(names, rows);
        document = chart.Document(progress);
        geometry = chart.Geometry();
        finished = true;
    }
    const ChartGeometry& Geometry() const override { return geometry; }
    bool WriteTo(std::ostream& out) override {
        if (!finished) Finish(nullptr);
        return WriteOut(out, document);
    }

private:
    std::vector<std::string> names;
    ChartRows rows;
    std::string document;
    ChartGeometry geometry;
    bool finished = false;
};

}  // namespace

std::unique_ptr<SvgChartWriter> MakeSvgWriter(std::vector<std::string> names) {
    return std::make_unique<SvgWriter>(std::move(names));
}

}  // namespace quantifier_run
