#include "OutputFormats.h"

#include <algorithm>
#include <cmath>

#include "Formatting.h"
#include "SvgChart.h"

namespace quantifier_run {
namespace {

std::string TextOf(const TextCell& text, QuoteStyle style) {
    switch (text.kind) {
        case TextValue::Kind::None:
            return "null";
        case TextValue::Kind::Narrow:
            return JsonString(text.bytes, style);
        case TextValue::Kind::Wide:
            return JsonString(text.units, style);
    }
    return "null";
}

// `inner` between two texts. Appended, not concatenated: GCC 12's optimiser takes
// "literal" + string for an overlapping copy and warns (-Wrestrict) where there is none.
std::string Enclosed(std::string_view before, const std::string& inner, std::string_view after) {
    std::string out;
    out.reserve(before.size() + inner.size() + after.size());
    out.append(before).append(inner).append(after);
    return out;
}

// A number as a JSON value: JSON has no NaN or infinity, so those are written as the texts a
// scene uses for them.
std::string JsonNumber(float value) {
    const std::string text = FormatFloat(value);
    return std::isfinite(value) ? text : Enclosed("\"", text, "\"");
}

std::string Numbers(const float* values, size_t count, bool json) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) out += json ? ", " : " ";
        out += json ? JsonNumber(values[i]) : FormatFloat(values[i]);
    }
    return out;
}

// One cell. In CSV and the table, a vector or matrix is its numbers separated by spaces
// (matrices row by row); in JSON it is an array (of rows).
std::string CellText(const Cell& cell, OutputFormat format) {
    const bool json = format == OutputFormat::Json;
    if (const auto* f = std::get_if<float>(&cell)) return json ? JsonNumber(*f) : FormatFloat(*f);
    if (const auto* v = std::get_if<XMFLOAT4>(&cell)) {
        const float values[4] = {v->x, v->y, v->z, v->w};
        return json ? Enclosed("[", Numbers(values, 4, true), "]") : Numbers(values, 4, false);
    }
    if (const auto* m = std::get_if<XMMATRIX>(&cell)) {
        if (!json) return Numbers(&m->m[0][0], 16, false);
        std::string out = "[";
        for (int row = 0; row < 4; ++row)
            out += Enclosed(row > 0 ? ", [" : "[", Numbers(m->m[row], 4, true), "]");
        return out + "]";
    }
    if (const auto* t = std::get_if<TextCell>(&cell))
        return TextOf(*t, format == OutputFormat::Csv ? QuoteStyle::Csv : QuoteStyle::Json);
    if (const auto* u = std::get_if<uint32_t>(&cell)) return std::to_string(*u);
    return std::to_string(std::get<int32_t>(cell));
}

// A header name as one CSV field: quoted when it holds a separator, quote or line break.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string Csv(const Results& results) {
    std::string out = "frame";
    for (const std::string& name : results.names)
        out.append(1, ',').append(CsvField(name));
    out += "\n";
    for (size_t frame = 0; frame < results.rows.size(); ++frame) {
        out += std::to_string(frame);
        for (const Cell& cell : results.rows[frame])
            out.append(1, ',').append(CellText(cell, OutputFormat::Csv));
        out += "\n";
    }
    return out;
}

// Display width of UTF-8 text, one column per character.
size_t Width(const std::string& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string Table(const Results& results) {
    std::vector<std::vector<std::string>> lines;
    lines.push_back({"frame"});
    for (const std::string& name : results.names)
        lines.back().push_back(name);
    for (size_t frame = 0; frame < results.rows.size(); ++frame) {
        lines.push_back({std::to_string(frame)});
        for (const Cell& cell : results.rows[frame])
            lines.back().push_back(CellText(cell, OutputFormat::Table));
    }
    std::vector<size_t> widths(results.names.size() + 1, 0);
    for (const auto& line : lines) {
        for (size_t c = 0; c < line.size(); ++c)
            widths[c] = std::max(widths[c], Width(line[c]));
    }
    std::string out;
    for (const auto& line : lines) {
        for (size_t c = 0; c < line.size(); ++c) {
            if (c > 0) out += "  ";
            out.append(widths[c] - Width(line[c]), ' ');
            out += line[c];
        }
        out += "\n";
    }
    return out;
}

std::string JsonDocument(const Results& results) {
    std::string out = "{\n  \"outputs\": [";
    for (size_t i = 0; i < results.names.size(); ++i)
        out += (i > 0 ? ", " : "") + JsonString(results.names[i]);
    out += "],\n  \"frames\": [";
    for (size_t frame = 0; frame < results.rows.size(); ++frame) {
        out += frame > 0 ? ",\n" : "\n";
        out += "    {\"frame\": " + std::to_string(frame) + ", \"values\": [";
        const auto& row = results.rows[frame];
        for (size_t i = 0; i < row.size(); ++i)
            out += (i > 0 ? ", " : "") + CellText(row[i], OutputFormat::Json);
        out += "]}";
    }
    out += results.rows.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

}  // namespace

std::optional<OutputFormat> OutputFormatNamed(std::string_view name) {
    if (name == "csv") return OutputFormat::Csv;
    if (name == "table") return OutputFormat::Table;
    if (name == "json") return OutputFormat::Json;
    if (name == "svg") return OutputFormat::Svg;
    return std::nullopt;
}

std::string FormatResults(const Results& results, OutputFormat format) {
    switch (format) {
        case OutputFormat::Csv:
            return Csv(results);
        case OutputFormat::Table:
            return Table(results);
        case OutputFormat::Json:
            return JsonDocument(results);
        case OutputFormat::Svg:
            return SvgChart(results);
    }
    return {};
}

}  // namespace quantifier_run
