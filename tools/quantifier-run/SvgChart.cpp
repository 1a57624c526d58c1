#include "SvgChart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <optional>

#include "Formatting.h"

namespace quantifier_run {
namespace {

// Geometry, in pixels of the rendered picture.
constexpr double kWidth = 760;
constexpr double kLeft = 80;  // room for the value labels
constexpr double kRight = 20;
constexpr double kPlotWidth = kWidth - kLeft - kRight;
constexpr double kTitle = 24;
constexpr double kPlotHeight = 120;
constexpr double kStripHeight = 26;
constexpr double kAxis = 30;  // frame labels under a plot
constexpr double kGap = 10;

constexpr const char* kPalette[] = {"#1f77b4", "#d62728", "#2ca02c", "#9467bd",
                                    "#ff7f0e", "#17becf", "#8c564b", "#e377c2"};
constexpr const char* kNanColour = "#7f7f7f";
constexpr const char* kInfinityColour = "#bcbd22";

std::string Number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

// Text as XML character data. Characters XML cannot carry are written as their JSON escapes,
// as the other formats write them.
std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(c));
                    out += buffer;
                } else {
                    out += c;
                }
        }
    }
    return out;
}

// At most `limit` characters of UTF-8 text, with an ellipsis when cut.
std::string Shortened(const std::string& text, size_t limit) {
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (characters++ == limit) return text.substr(0, i) + "\u2026";
    }
    return text;
}

// The numbers an output shows at one frame, empty for texts.
std::vector<double> Components(const Cell& cell) {
    if (const auto* f = std::get_if<float>(&cell)) return {*f};
    if (const auto* v = std::get_if<XMFLOAT4>(&cell)) return {v->x, v->y, v->z, v->w};
    if (const auto* m = std::get_if<XMMATRIX>(&cell))
        return std::vector<double>(&m->m[0][0], &m->m[0][0] + 16);
    if (const auto* u = std::get_if<uint32_t>(&cell)) return {static_cast<double>(*u)};
    if (const auto* i = std::get_if<int32_t>(&cell)) return {static_cast<double>(*i)};
    return {};
}

std::string TextLabel(const TextCell& text) {
    switch (text.kind) {
        case TextValue::Kind::Narrow:
            return JsonString(text.bytes);
        case TextValue::Kind::Wide:
            return JsonString(text.units);
        case TextValue::Kind::None:
            break;
    }
    return "null";
}

std::vector<std::string> ComponentNames(const Cell& cell) {
    if (std::holds_alternative<XMFLOAT4>(cell)) return {"x", "y", "z", "w"};
    if (std::holds_alternative<XMMATRIX>(cell)) {
        std::vector<std::string> names;
        for (int row = 1; row <= 4; ++row) {
            for (int column = 1; column <= 4; ++column)
                names.push_back(std::string(1, 'm').append(std::to_string(row * 10 + column)));
        }
        return names;
    }
    return {};
}

class Chart {
public:
    explicit Chart(const Results& results)
        : results(results), frames(results.rows.size()), columnWidth(kPlotWidth / Span()) {}

    std::string Document() {
        double top = kGap;
        std::string body;
        for (size_t output = 0; output < results.names.size(); ++output) {
            const bool text = !frames || std::holds_alternative<TextCell>(results.rows[0][output]);
            body += text ? TextStrip(output, top) : Plot(output, top);
        }
        const double height = std::max(top, 2 * kGap);
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
               Number(kWidth) + "\" height=\"" + Number(height) + "\" viewBox=\"0 0 " +
               Number(kWidth) + " " + Number(height) +
               "\" font-family=\"sans-serif\" font-size=\"11\">\n"
               "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n" +
               body + "</svg>\n";
    }

private:
    double Span() const { return static_cast<double>(std::max<size_t>(frames, 1)); }
    double X(size_t frame) const { return kLeft + static_cast<double>(frame) * columnWidth; }

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
        out += "<text x=\"" + Number(kLeft + kPlotWidth) + "\" y=\"" + Number(bottom + 27) +
               "\" text-anchor=\"end\">frame</text>\n</g>\n";
        return out;
    }

    std::string Title(size_t output, double top, const std::string& note) const {
        return "<text x=\"" + Number(kLeft) + "\" y=\"" + Number(top + 15) +
               "\" font-weight=\"bold\">" + Escaped(results.names[output]) +
               "<tspan dx=\"8\" font-weight=\"normal\" fill=\"#555555\">" + Escaped(note) +
               "</tspan></text>\n";
    }

    std::string Plot(size_t output, double& top) {
        std::vector<std::vector<double>> values(frames);
        for (size_t frame = 0; frame < frames; ++frame)
            values[frame] = Components(results.rows[frame][output]);
        const size_t count = values.empty() ? 0 : values[0].size();
        std::optional<double> low, high;
        for (const auto& frame : values) {
            for (double v : frame) {
                if (!std::isfinite(v)) continue;
                low = std::min(low.value_or(v), v);
                high = std::max(high.value_or(v), v);
            }
        }
        // The axis spans the finite values; a constant gets room around it.
        double axisLow = low.value_or(0), axisHigh = high.value_or(1);
        if (axisLow == axisHigh) {
            const double room = std::max(1.0, std::fabs(axisLow) / 10);
            axisLow -= room;
            axisHigh += room;
        }
        const double plotTop = top + kTitle;
        const double plotBottom = plotTop + kPlotHeight;
        auto y = [&](double v) {
            return plotBottom - (v - axisLow) / (axisHigh - axisLow) * kPlotHeight;
        };

        std::string note = low ? FormatFloat(static_cast<float>(*low)) + " \u2026 " +
                                     FormatFloat(static_cast<float>(*high))
                               : "no finite values";
        std::string out = "<g class=\"chart\" id=\"chart-" + std::to_string(output) + "\">\n" +
                          Title(output, top, note);
        out += "<rect class=\"plot\" x=\"" + Number(kLeft) + "\" y=\"" + Number(plotTop) +
               "\" width=\"" + Number(kPlotWidth) + "\" height=\"" + Number(kPlotHeight) +
               "\" fill=\"#fafafa\" stroke=\"#999999\"/>\n";
        // Value axis: its two ends, and zero when it lies between them.
        for (double v : {axisLow, axisHigh}) {
            out += "<text x=\"" + Number(kLeft - 6) + "\" y=\"" + Number(y(v) + 4) +
                   "\" text-anchor=\"end\" fill=\"#333333\">" +
                   Escaped(FormatFloat(static_cast<float>(v))) + "</text>\n";
        }
        if (axisLow < 0 && axisHigh > 0) {
            out += "<line x1=\"" + Number(kLeft) + "\" y1=\"" + Number(y(0)) + "\" x2=\"" +
                   Number(kLeft + kPlotWidth) + "\" y2=\"" + Number(y(0)) +
                   "\" stroke=\"#cccccc\" stroke-dasharray=\"4 3\"/>\n";
        }
        out += NonFiniteMarks(values, plotTop, plotBottom);
        for (size_t c = 0; c < count; ++c)
            out += StepLine(values, c, y, kPalette[c % std::size(kPalette)]);
        out += Legend(ComponentNames(results.rows[0][output]), top);
        out += FrameAxis(plotBottom) + "</g>\n";
        top = plotBottom + kAxis + kGap;
        return out;
    }

    // One path per component: a value holds across its frame's column, and a frame whose
    // value is not finite breaks the line.
    template <class Y>
    std::string StepLine(const std::vector<std::vector<double>>& values, size_t component,
                         const Y& y, const char* colour) const {
        std::string path;
        bool drawing = false;
        for (size_t frame = 0; frame < frames; ++frame) {
            const double v = values[frame][component];
            if (!std::isfinite(v)) {
                drawing = false;
                continue;
            }
            if (!drawing) {
                // Appended piece by piece: GCC 12's optimiser takes "literal" + string for an
                // overlapping copy (-Wrestrict).
                path.append(1, 'M').append(Number(X(frame))).append(1, ' ').append(Number(y(v)));
            } else if (v != values[frame - 1][component]) {
                path.append(1, 'V').append(Number(y(v)));
            }
            drawing = true;
            // Equal values in a row make one segment.
            if (frame + 1 == frames || values[frame + 1][component] != v)
                path.append(1, 'H').append(Number(X(frame + 1)));
        }
        if (path.empty()) return {};
        return "<path class=\"series\" d=\"" + path + "\" fill=\"none\" stroke=\"" + colour +
               "\" stroke-width=\"2\" stroke-linejoin=\"round\"/>\n";
    }

    // A frame with a NaN or an infinity in any component gets a shaded column and a mark: a
    // triangle at the top for inf, at the bottom for -inf, a circle in the middle for NaN.
    std::string NonFiniteMarks(const std::vector<std::vector<double>>& values, double plotTop,
                               double plotBottom) const {
        std::string out;
        for (size_t frame = 0; frame < frames; ++frame) {
            bool nan = false, up = false, down = false;
            for (double v : values[frame]) {
                nan |= std::isnan(v);
                up |= std::isinf(v) && v > 0;
                down |= std::isinf(v) && v < 0;
            }
            if (!nan && !up && !down) continue;
            const double x = X(frame), middle = x + columnWidth / 2;
            const double half = std::min(5.0, std::max(2.0, columnWidth / 2));
            out += "<rect class=\"non-finite\" x=\"" + Number(x) + "\" y=\"" + Number(plotTop) +
                   "\" width=\"" + Number(columnWidth) + "\" height=\"" + Number(kPlotHeight) +
                   "\" fill=\"" + (nan ? kNanColour : kInfinityColour) +
                   "\" fill-opacity=\"0.25\"/>\n";
            if (up) {
                out += "<path d=\"M" + Number(middle - half) + " " + Number(plotTop + 2 * half) +
                       "L" + Number(middle) + " " + Number(plotTop) + "L" + Number(middle + half) +
                       " " + Number(plotTop + 2 * half) + "Z\" fill=\"" + kInfinityColour +
                       "\"><title>inf</title></path>\n";
            }
            if (down) {
                out += "<path d=\"M" + Number(middle - half) + " " + Number(plotBottom - 2 * half) +
                       "L" + Number(middle) + " " + Number(plotBottom) + "L" +
                       Number(middle + half) + " " + Number(plotBottom - 2 * half) + "Z\" fill=\"" +
                       kInfinityColour + "\"><title>-inf</title></path>\n";
            }
            if (nan) {
                out += "<circle cx=\"" + Number(middle) + "\" cy=\"" +
                       Number((plotTop + plotBottom) / 2) + "\" r=\"" + Number(half) +
                       "\" fill=\"" + kNanColour + "\"><title>nan</title></circle>\n";
            }
        }
        return out;
    }

    // The components' colours, right-aligned on the title line.
    std::string Legend(const std::vector<std::string>& names, double top) const {
        std::string out;
        // Clear of the title at the left.
        const double step = std::min(36.0, (kPlotWidth - 120) / std::max<size_t>(names.size(), 1));
        double x = kLeft + kPlotWidth;
        for (size_t i = names.size(); i-- > 0;) {
            x -= step;
            out += "<rect x=\"" + Number(x) + "\" y=\"" + Number(top + 8) +
                   "\" width=\"10\" height=\"10\" fill=\"" + kPalette[i % std::size(kPalette)] +
                   "\"/><text x=\"" + Number(x + 13) + "\" y=\"" + Number(top + 17) + "\">" +
                   names[i] + "</text>\n";
        }
        return out;
    }

    std::string TextStrip(size_t output, double& top) const {
        const double stripTop = top + kTitle;
        std::string out = "<g class=\"chart\" id=\"chart-" + std::to_string(output) + "\">\n" +
                          Title(output, top, frames ? "text" : "");
        out += "<rect class=\"plot\" x=\"" + Number(kLeft) + "\" y=\"" + Number(stripTop) +
               "\" width=\"" + Number(kPlotWidth) + "\" height=\"" + Number(kStripHeight) +
               "\" fill=\"#fafafa\" stroke=\"#999999\"/>\n";
        size_t shade = 0;
        for (size_t first = 0; first < frames;) {
            const std::string label = TextLabel(std::get<TextCell>(results.rows[first][output]));
            size_t end = first + 1;
            while (end < frames &&
                   TextLabel(std::get<TextCell>(results.rows[end][output])) == label)
                ++end;
            const double x = X(first), width = X(end) - x;
            out += "<rect x=\"" + Number(x) + "\" y=\"" + Number(stripTop) + "\" width=\"" +
                   Number(width) + "\" height=\"" + Number(kStripHeight) + "\" fill=\"" +
                   (shade++ % 2 ? "#dbe9f6" : "#c6dbef") + "\" stroke=\"#ffffff\"><title>" +
                   Escaped(label) + "</title></rect>\n";
            // About 6.5 pixels per character at this size.
            const auto room = static_cast<size_t>(std::max(0.0, (width - 6) / 6.5));
            if (room >= 2) {
                out += "<text x=\"" + Number(x + 3) + "\" y=\"" +
                       Number(stripTop + kStripHeight / 2 + 4) + "\">" +
                       Escaped(Shortened(label, room - 1)) + "</text>\n";
            }
            first = end;
        }
        out += FrameAxis(stripTop + kStripHeight) + "</g>\n";
        top = stripTop + kStripHeight + kAxis + kGap;
        return out;
    }

    const Results& results;
    const size_t frames;
    const double columnWidth;
};

}  // namespace

std::string SvgChart(const Results& results) {
    return Chart(results).Document();
}

}  // namespace quantifier_run
