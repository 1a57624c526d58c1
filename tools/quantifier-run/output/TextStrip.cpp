#include "output/TextStrip.h"

#include <algorithm>
#include <utility>

#include "output/Formatting.h"
#include "output/SvgMarkup.h"

namespace quantifier_run {
namespace {
constexpr const char* kMixedColour = "#9ecae1";
}  // namespace

TextStrip::TextStrip(std::function<double(size_t)> x, size_t frames, double top)
    : x(std::move(x)), frames(frames), top(top) {}

void TextStrip::Add(size_t frame, std::string_view text) {
    if (frame > 0 && text == label) return;
    if (frame > 0) EndRun(frame);
    label = text;
    runStart = frame;
}

std::string TextStrip::Finish() {
    if (!finished && frames > 0) EndRun(frames);
    finished = true;
    return cells;
}

// Ends the run that reaches up to `end`.
void TextStrip::EndRun(size_t end) {
    // A run narrower than a pixel joins the shared cell; wider ones are drawn whole.
    if (x(end) - x(runStart) < 0.999) {
        if (!mixedStart) mixedStart = runStart;
        if (end == frames) Cell(*mixedStart, end, nullptr);
        return;
    }
    if (mixedStart) Cell(*mixedStart, runStart, nullptr);
    mixedStart.reset();
    Cell(runStart, end, &label);
}

// A cell of frames [first, end), labelled, or of several values.
void TextStrip::Cell(size_t first, size_t end, const std::string* text) {
    const double left = x(first), width = x(end) - left;
    const std::string title = text ? Escaped(*text)
                                   : "frames " + std::to_string(first) + " to " +
                                         std::to_string(end - 1) + ": several values";
    cells += "<rect x=\"" + Number(left) + "\" y=\"" + Number(top) + "\" width=\"" + Number(width) +
             "\" height=\"" + Number(kHeight) + "\" fill=\"" +
             (text ? (shade++ % 2 ? "#dbe9f6" : "#c6dbef") : kMixedColour) +
             "\" stroke=\"#ffffff\"><title>" + title + "</title></rect>\n";
    const auto room = static_cast<size_t>(std::max(0.0, (width - 6) / kCharWidth));
    if (text && room >= 2) {
        // Counted as shown: a character a picture must not carry raw is drawn as its escape,
        // six characters wide.
        cells += "<text x=\"" + Number(left + 3) + "\" y=\"" + Number(top + kHeight / 2 + 4) +
                 "\">" + Escaped(Shortened(DisplaySafe(*text), room - 1)) + "</text>\n";
    }
}

}  // namespace quantifier_run
