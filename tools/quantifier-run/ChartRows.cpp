#include "ChartRows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Formatting.h"
#include "Progress.h"

namespace quantifier_run {
namespace {

// A record is its length, then per cell its alternative and its numbers or label, in the
// machine's own byte order: it is read back by the process that wrote it.
template <class T>
void Put(std::string& record, T value) {
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    record.append(bytes, sizeof value);
}

template <class T>
T Take(std::string_view data, size_t& at) {
    T value;
    std::memcpy(&value, data.data() + at, sizeof value);
    at += sizeof value;
    return value;
}

void PutFloats(std::string& record, const float* values, size_t count) {
    for (size_t i = 0; i < count; ++i)
        Put(record, values[i]);
}

// Decodes one cell of kind `kind` at `at`.
void Decode(std::string_view data, size_t& at, size_t kind, ChartCell& cell) {
    cell.label = {};
    cell.count = 1;
    if (kind == kCellIndex<float> || kind == kCellIndex<XMFLOAT4> || kind == kCellIndex<XMMATRIX>) {
        cell.count = kind == kCellIndex<float> ? 1 : kind == kCellIndex<XMFLOAT4> ? 4 : 16;
        for (size_t i = 0; i < cell.count; ++i)
            cell.values[i] = Take<float>(data, at);
    } else if (kind == kCellIndex<TextCell>) {
        const auto length = Take<uint32_t>(data, at);
        cell.count = 0;
        cell.label = data.substr(at, length);
        at += length;
    } else if (kind == kCellIndex<uint32_t>) {
        cell.values[0] = Take<uint32_t>(data, at);
    } else {
        cell.values[0] = Take<int32_t>(data, at);
    }
}

}  // namespace

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

void ChartRows::Add(const std::vector<Cell>& cells) {
    record.assign(sizeof(uint32_t), '\0');
    for (size_t output = 0; output < cells.size(); ++output) {
        const Cell& cell = cells[output];
        ChartOutput& info = outputs[output];
        if (frames == 0) {
            info.kind = cell.index();
            info.text = std::holds_alternative<TextCell>(cell);
            info.whole =
                std::holds_alternative<uint32_t>(cell) || std::holds_alternative<int32_t>(cell);
        }
        record += static_cast<char>(cell.index());
        if (const auto* f = std::get_if<float>(&cell)) {
            Put(record, *f);
        } else if (const auto* v = std::get_if<XMFLOAT4>(&cell)) {
            const float values[4] = {v->x, v->y, v->z, v->w};
            PutFloats(record, values, 4);
        } else if (const auto* m = std::get_if<XMMATRIX>(&cell)) {
            PutFloats(record, &m->m[0][0], 16);
        } else if (const auto* t = std::get_if<TextCell>(&cell)) {
            const std::string label = TextLabel(*t);
            Put(record, static_cast<uint32_t>(label.size()));
            record += label;
        } else if (const auto* u = std::get_if<uint32_t>(&cell)) {
            Put(record, *u);
        } else {
            Put(record, std::get<int32_t>(cell));
        }
    }
    const auto length = static_cast<uint32_t>(record.size() - sizeof(uint32_t));
    std::memcpy(record.data(), &length, sizeof length);
    // The value axes span the finite values; read from the record just made, so that every
    // kind is read one way.
    size_t at = sizeof(uint32_t);
    ChartCell decoded;
    for (ChartOutput& info : outputs) {
        const auto kind = static_cast<uint8_t>(record[at++]);
        Decode(record, at, kind, decoded);
        info.count = std::max(info.count, decoded.count);
        for (size_t i = 0; i < decoded.count; ++i) {
            const double value = decoded.values[i];
            if (!std::isfinite(value)) continue;
            info.low = std::min(info.low.value_or(value), value);
            info.high = std::max(info.high.value_or(value), value);
        }
    }
    spool.Write(record);
    ++frames;
}

bool ChartRows::ReadBack(const Visit& visit, FrameProgress* progress) {
    std::string pending;
    size_t frame = 0;
    ChartCell cell;
    return spool.ReadBack([&](std::string_view piece) {
        pending.append(piece);
        size_t start = 0;
        while (pending.size() - start >= sizeof(uint32_t)) {
            uint32_t length;
            std::memcpy(&length, pending.data() + start, sizeof length);
            if (pending.size() - start - sizeof length < length) break;
            if (progress) progress->Frame(frame, "drawing");
            const std::string_view data(pending.data(), start + sizeof length + length);
            size_t at = start + sizeof length;
            for (size_t output = 0; at < data.size(); ++output) {
                const auto kind = static_cast<uint8_t>(data[at++]);
                Decode(data, at, kind, cell);
                visit(frame, output, cell);
            }
            start = at;
            ++frame;
        }
        pending.erase(0, start);
        return true;
    });
}

}  // namespace quantifier_run
