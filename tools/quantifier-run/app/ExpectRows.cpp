#include "app/ExpectRows.h"

#include <algorithm>

#include "output/Formatting.h"

namespace quantifier_run {
namespace {

class CheckedRows : public RowWriter {
public:
    CheckedRows(std::unique_ptr<RowWriter> rows, size_t shown,
                std::shared_ptr<ExpectationCheck> check)
        : rows(std::move(rows)), shown(shown), check(std::move(check)) {}

    void Row(const std::vector<Cell>& cells) override {
        check->Row(frame++, cells);
        if (cells.size() == shown) return rows->Row(cells);
        visible.assign(cells.begin(), cells.begin() + static_cast<ptrdiff_t>(shown));
        rows->Row(visible);
    }
    void Finish(FrameProgress* progress) override { rows->Finish(progress); }
    bool WriteTo(std::ostream& out) override { return rows->WriteTo(out); }

private:
    std::unique_ptr<RowWriter> rows;
    size_t shown;
    std::shared_ptr<ExpectationCheck> check;
    size_t frame = 0;
    std::vector<Cell> visible;
};

}  // namespace

void CheckExpectations(ParsedScene& scene, RunOutput& output) {
    if (scene.expectations.empty()) return;
    const size_t shown = scene.outputs.size();
    std::vector<size_t> columns;
    for (const Expectation& expected : scene.expectations) {
        const auto found = std::find(scene.outputs.begin(), scene.outputs.end(), expected.channel);
        columns.push_back(static_cast<size_t>(found - scene.outputs.begin()));
        if (found == scene.outputs.end()) scene.outputs.push_back(expected.channel);
    }
    auto expected = std::make_shared<ParsedScene>(scene);
    expected->outputs.resize(shown);
    output.check = std::make_shared<ExpectationCheck>(expected->expectations, std::move(columns));
    output.expected = std::move(expected);
    output.rows = std::make_unique<CheckedRows>(std::move(output.rows), shown, output.check);
}

void HoldToExpectations(const RunSettings& settings, RunOutput& output) {
    if (!output.check || settings.expectations == ExpectationsGo::Kept) return;
    std::vector<std::string> lines = output.check->Lines(*output.expected);
    if (lines.empty()) return;
    if (settings.expectations == ExpectationsGo::Warnings) {
        output.warnings.insert(output.warnings.end(), lines.begin(), lines.end());
        return;
    }
    ReportWarnings(output.warnings, settings.err);
    for (const std::string& line : lines)
        settings.err << "quantifier-run: " << MessageLine(line) << "\n";
    const size_t all = output.expected->expectations.size();
    throw RunError(kExitDiffers, all == 1 ? std::string("the scene's expectation is not met")
                                          : std::to_string(lines.size()) + " of the scene's " +
                                                std::to_string(all) + " expectations " +
                                                (lines.size() == 1 ? "is" : "are") + " not met");
}

}  // namespace quantifier_run
