#include "app/Golden.h"

#include <algorithm>
#include <sstream>

#include "app/SceneUpdate.h"
#include "engine/Quoting.h"
#include "output/CsvDiff.h"
#include "output/Formatting.h"
#include "output/OutputFile.h"
#include "view/Explanation.h"

namespace quantifier_run {
namespace {

// How deep a difference is explained: the channel and its children's values.
constexpr size_t kExplainedDepth = 1;

// The explanation of `channel` at `frame`, indented under the line it explains.
std::vector<std::string> Explained(const Options& options, const EngineRequest& request,
                                   size_t channel, size_t frame) {
    std::vector<std::string> lines;
    const auto failure = Attempt([&] {
        const Observation seen = ObserveAgain(request, frame, options, {});
        std::istringstream text(
            ExplanationText(Explain(request.scene, seen, channel, kExplainedDepth)));
        for (std::string line; std::getline(text, line);)
            lines.push_back("    " + line);
    });
    if (failure) lines.push_back("    (no explanation: " + MessageLine(failure->message) + ")");
    return lines;
}

// The children of the explained channel that are columns of both runs and differ at `frame`:
// where the difference may have come in.
std::vector<std::string> ChildrenDiffering(const Options& options, const EngineRequest& request,
                                           size_t channel, size_t frame, const CsvRows& before,
                                           const CsvRows& after) {
    std::vector<std::string> lines;
    const auto column = [](const CsvRows& rows, const std::string& name) {
        return static_cast<size_t>(std::find(rows.names.begin(), rows.names.end(), name) -
                                   rows.names.begin());
    };
    for (const size_t child : request.scene.channels[channel].children) {
        const std::string& name = request.scene.channels[child].name;
        const size_t b = column(before, name), a = column(after, name);
        if (b == before.names.size() || a == after.names.size() || frame >= before.rows.size() ||
            frame >= after.rows.size())
            continue;
        const std::string& was = before.rows[frame][b];
        const std::string& now = after.rows[frame][a];
        if (!SameCell(was, now, options.closeness))
            lines.push_back("    child " + Quoted(name) + " differs too at frame " +
                            std::to_string(frame) + ": " + was + " before, " + now + " now");
    }
    return lines;
}

std::string RowsText(RunOutput& output) {
    std::ostringstream rows;
    if (!output.rows->WriteTo(rows))
        throw RunError(kExitFailure, "cannot hold the run's rows for the comparison");
    return rows.str();
}

void Append(std::vector<std::string>& lines, const std::vector<std::string>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
}

// The columns of the run that differ from the golden file, the first explained.
std::vector<std::string> GoldenDifferences(const Options& options, RunOutput& output) {
    const CsvRows golden = ReadCsvFile(*options.expectPath);
    const CsvRows now = ReadCsvRows(RowsText(output), "the run");
    const RowsDiff diff = DiffRows(golden, now, options.closeness);
    std::vector<std::string> lines;
    for (const std::string& line : DiffLines(diff))
        lines.push_back(*options.expectPath + ": " + line);
    if (diff.columns.empty() || !output.request) return lines;
    const ColumnDiff& first = diff.columns.front();
    const size_t c = static_cast<size_t>(std::find(now.names.begin(), now.names.end(), first.name) -
                                         now.names.begin());
    const size_t channel = output.request->scene.outputs[c];
    std::vector<std::string> explained =
        Explained(options, *output.request, channel, first.firstFrame);
    Append(explained,
           ChildrenDiffering(options, *output.request, channel, first.firstFrame, golden, now));
    lines.insert(lines.begin() + 1, explained.begin(), explained.end());
    return lines;
}

}  // namespace

std::vector<std::string> Differences(const Options& options, RunOutput& output) {
    std::vector<std::string> lines;
    if (output.check) {
        const std::vector<ExpectFailure> failures = output.check->Failures();
        lines = output.check->Lines(*output.expected);
        if (!failures.empty() && output.request) {
            const Expectation& first = output.expected->expectations[failures[0].expectation];
            const auto explained =
                Explained(options, *output.request, first.channel, failures[0].frame);
            lines.insert(lines.begin() + 1, explained.begin(), explained.end());
        }
    }
    if (options.expectPath) Append(lines, GoldenDifferences(options, output));
    return lines;
}

int CompareRun(const Options& options, std::ostream& out, std::ostream& err, bool errIsTerminal) {
    const bool csvGiven = options.diffPath && (options.scenePath.ends_with(".csv") ||
                                               options.scenePath.ends_with(".CSV"));
    if (csvGiven) {
        const RowsDiff diff = DiffRows(ReadCsvFile(*options.diffPath),
                                       ReadCsvFile(options.scenePath), options.closeness);
        for (const std::string& line : DiffLines(diff))
            out << MessageLine(line) << "\n";
        return diff.Same() ? kExitSuccess : kExitDiffers;
    }
    Options run = options;
    run.format = OutputFormat::Csv;
    RunSettings settings{run, false, err, errIsTerminal, {}};
    settings.expectations = ExpectationsGo::Kept;
    RunOutput output = Run(settings);
    ReportWarnings(output.warnings, err);
    if (options.diffPath) {
        const RowsDiff diff = DiffRows(ReadCsvFile(*options.diffPath),
                                       ReadCsvRows(RowsText(output), "the run"), options.closeness);
        for (const std::string& line : DiffLines(diff))
            out << MessageLine(line) << "\n";
        return diff.Same() ? kExitSuccess : kExitDiffers;
    }
    if (options.update) return UpdateExpected(options, output, err);
    const std::vector<std::string> lines = Differences(options, output);
    for (const std::string& line : lines)
        err << "quantifier-run: " << MessageLine(line) << "\n";
    return lines.empty() ? kExitSuccess : kExitDiffers;
}

}  // namespace quantifier_run
