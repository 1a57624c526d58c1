#include "output/OutputFormats.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>

#include "output/CharacterWidth.h"
#include "output/Formatting.h"
#include "output/OutputSpool.h"
#include "output/SvgChart.h"

namespace quantifier_run {
namespace {

// No text is an empty CSV field, so that a CSV reader, which unquotes fields, tells it from
// the text "null" (a text is always a quoted field). JSON and the table write null.
std::string TextOf(const TextValue& text, OutputFormat format) {
    const QuoteStyle style = format == OutputFormat::Csv ? QuoteStyle::Csv : QuoteStyle::Json;
    switch (text.kind) {
        case TextValue::Kind::None:
            return format == OutputFormat::Csv ? "" : "null";
        case TextValue::Kind::Narrow:
            return JsonString(text.bytes, style);
        case TextValue::Kind::Wide:
            return JsonString(text.units, style);
    }
    return "null";
}

// A number as a JSON value: JSON has no NaN or infinity, so those are written as the texts a
// scene uses for them.
std::string JsonNumber(float value) {
    const std::string text = FormatFloat(value);
    return std::isfinite(value) ? text : "\"" + text + "\"";
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
    return std::visit(Overloaded{
                          [&](float f) { return json ? JsonNumber(f) : FormatFloat(f); },
                          [&](const XMFLOAT4& v) {
                              const float values[4] = {v.x, v.y, v.z, v.w};
                              return json ? "[" + Numbers(values, 4, true) + "]"
                                          : Numbers(values, 4, false);
                          },
                          [&](const XMMATRIX& m) {
                              if (!json) return Numbers(&m.m[0][0], 16, false);
                              std::string out = "[";
                              for (int row = 0; row < 4; ++row)
                                  out += (row > 0 ? ", [" : "[") + Numbers(m.m[row], 4, true) + "]";
                              return out + "]";
                          },
                          [&](const TextValue& t) { return TextOf(t, format); },
                          [](uint32_t u) { return std::to_string(u); },
                          [](int32_t i) { return std::to_string(i); },
                      },
                      cell);
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

class CsvWriter : public RowWriter {
public:
    explicit CsvWriter(const std::vector<std::string>& names) : header("frame") {
        for (const std::string& name : names)
            header += "," + CsvField(name);
        header += "\n";
    }
    void Row(const std::vector<Cell>& cells) override {
        std::string line = std::to_string(frame++);
        for (const Cell& cell : cells)
            line += "," + CellText(cell, OutputFormat::Csv);
        line += "\n";
        spool.Write(line);
    }
    bool WriteTo(std::ostream& out) override { return WriteOut(out, header) && spool.CopyTo(out); }

private:
    std::string header;
    OutputSpool spool;
    size_t frame = 0;
};

// Columns are right-aligned to the widest cell, so the rows are held as their cells (one line
// each, cells apart by a control character, which no escaped cell holds) and laid out at the end.
class TableWriter : public RowWriter {
public:
    explicit TableWriter(const std::vector<std::string>& names) : header{"frame"} {
        for (const std::string& name : names)
            header.push_back(DisplaySafe(name));
        for (const std::string& name : header)
            widths.push_back(DisplayWidth(name));
    }
    void Row(const std::vector<Cell>& cells) override {
        std::string line = std::to_string(frame++);
        widths[0] = std::max(widths[0], DisplayWidth(line));
        for (size_t c = 0; c < cells.size(); ++c) {
            const std::string text = DisplaySafe(CellText(cells[c], OutputFormat::Table));
            widths[c + 1] = std::max(widths[c + 1], DisplayWidth(text));
            line += kApart;
            line += text;
        }
        line += '\n';
        spool.Write(line);
    }
    bool WriteTo(std::ostream& out) override {
        std::string line;
        for (size_t c = 0; c < header.size(); ++c)
            Pad(line, c, header[c]);
        if (!WriteOut(out, line + "\n")) return false;
        std::string pending;
        return spool.ReadBack([&](std::string_view piece) {
            pending.append(piece);
            size_t start = 0;
            for (size_t end; (end = pending.find('\n', start)) != std::string::npos;
                 start = end + 1) {
                line.clear();
                size_t column = 0;
                for (size_t from = start;; ++column) {
                    const size_t to = std::min(pending.find(kApart, from), end);
                    Pad(line, column, std::string_view(pending).substr(from, to - from));
                    if (to == end) break;
                    from = to + 1;
                }
                line += '\n';
                if (!WriteOut(out, line)) return false;
            }
            pending.erase(0, start);
            return true;
        });
    }

private:
    static constexpr char kApart = '\x1f';
    void Pad(std::string& line, size_t column, std::string_view text) const {
        if (column > 0) line += "  ";
        line.append(widths[column] - DisplayWidth(text), ' ');
        line += text;
    }

    std::vector<std::string> header;
    std::vector<size_t> widths;
    OutputSpool spool;
    size_t frame = 0;
};

class JsonWriter : public RowWriter {
public:
    explicit JsonWriter(const std::vector<std::string>& names) : header("{\n  \"outputs\": [") {
        for (size_t i = 0; i < names.size(); ++i)
            header += (i > 0 ? ", " : "") + JsonString(names[i]);
        header += "],\n  \"frames\": [";
    }
    void Row(const std::vector<Cell>& cells) override {
        std::string line = frame > 0 ? ",\n" : "\n";
        line += "    {\"frame\": " + std::to_string(frame++) + ", \"values\": [";
        for (size_t i = 0; i < cells.size(); ++i)
            line += (i > 0 ? ", " : "") + CellText(cells[i], OutputFormat::Json);
        line += "]}";
        spool.Write(line);
    }
    bool WriteTo(std::ostream& out) override {
        return WriteOut(out, header) && spool.CopyTo(out) &&
               WriteOut(out, frame == 0 ? "]\n}\n" : "\n  ]\n}\n");
    }

private:
    std::string header;
    OutputSpool spool;
    size_t frame = 0;
};

std::unique_ptr<RowWriter> StreamingWriter(OutputFormat format,
                                           const std::vector<std::string>& names) {
    switch (format) {
        case OutputFormat::Csv:
            return std::make_unique<CsvWriter>(names);
        case OutputFormat::Table:
            return std::make_unique<TableWriter>(names);
        case OutputFormat::Json:
            return std::make_unique<JsonWriter>(names);
        case OutputFormat::Svg:
            return MakeSvgWriter(names);
        case OutputFormat::Graph:
        case OutputFormat::Dot:
            break;
    }
    return nullptr;
}

}  // namespace

std::string FormatCell(const Cell& cell, OutputFormat format) {
    return CellText(cell, format);
}

std::string FormatResults(const Results& results, OutputFormat format) {
    const std::unique_ptr<RowWriter> writer = StreamingWriter(format, results.names);
    if (!writer) return {};
    for (const std::vector<Cell>& row : results.rows)
        writer->Row(row);
    writer->Finish(nullptr);
    std::ostringstream out;
    writer->WriteTo(out);
    return out.str();
}

std::unique_ptr<RowWriter> MakeRowWriter(OutputFormat format, std::vector<std::string> names) {
    return StreamingWriter(format, names);
}

}  // namespace quantifier_run
