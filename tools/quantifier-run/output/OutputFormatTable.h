// The output formats, one row each: the name --format takes, the extension that chooses it for
// an --output file, and what a picture of the scene shows. The parser, --help and the choice by
// extension all read this table.
#pragma once

#include <cstddef>
#include <iterator>
#include <optional>
#include <string_view>

namespace quantifier_run {

// Graph and Dot are pictures of the scene itself (SceneView.h), not of its rows.
enum class OutputFormat { Csv, Table, Json, Svg, Graph, Dot };

struct OutputFormatRow {
    OutputFormat format;
    std::string_view name;
    // The extension (in any case) of an --output file that chooses the format; empty: none does.
    std::string_view extension = {};
    // Where --help names the extension among the others, from 1: it has always named the
    // chart's first.
    int extensionListed = 0;
    // What the picture shows, for a format that pictures the scene; empty for one of the rows.
    std::string_view picture = {};
};

// In the enum's order, which is the order --help names them in.
inline constexpr OutputFormatRow kOutputFormats[] = {
    {.format = OutputFormat::Csv, .name = "csv", .extension = ".csv", .extensionListed = 2},
    {.format = OutputFormat::Table, .name = "table"},
    {.format = OutputFormat::Json, .name = "json", .extension = ".json", .extensionListed = 3},
    {.format = OutputFormat::Svg, .name = "svg", .extension = ".svg", .extensionListed = 1},
    {.format = OutputFormat::Graph,
     .name = "graph",
     .picture = "a picture of the scene's channels and links at one frame (SVG)"},
    {.format = OutputFormat::Dot, .name = "dot", .picture = "the same as Graphviz text"},
};

// The format of an --output file whose extension names none.
inline constexpr OutputFormat kOutputFormatOtherwise = OutputFormat::Csv;

constexpr const OutputFormatRow& OutputFormatRowOf(OutputFormat format) {
    return kOutputFormats[static_cast<size_t>(format)];
}

constexpr bool InEnumOrder() {
    for (size_t i = 0; i < std::size(kOutputFormats); ++i) {
        if (kOutputFormats[i].format != static_cast<OutputFormat>(i)) return false;
    }
    return true;
}
static_assert(InEnumOrder() &&
                  std::size(kOutputFormats) == static_cast<size_t>(OutputFormat::Dot) + 1,
              "every format has its row, where its enum value says");

// The format --format names `name`; none for a name without a row.
constexpr std::optional<OutputFormat> OutputFormatNamed(std::string_view name) {
    for (const OutputFormatRow& row : kOutputFormats) {
        if (row.name == name) return row.format;
    }
    return std::nullopt;
}

}  // namespace quantifier_run
