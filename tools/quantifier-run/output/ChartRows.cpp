#include "output/ChartRows.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>

#include "output/Formatting.h"
#include "output/Progress.h"

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

// Decodes one cell of kind `kind` (the Cell alternative's index) at `at`.
void Decode(std::string_view data, size_t& at, size_t kind, ChartCell& cell) {
    cell.label = {};
    cell.count = 1;
    const auto floats = [&](size_t count) {
        cell.count = count;
        for (size_t i = 0; i < count; ++i)
            cell.values[i] = Take<float>(data, at);
    };
    // The record was written by Add, so the index is one of Cell's.
    std::visit(Overloaded{
                   [&](float) { floats(1); },
                   [&](const XMFLOAT4&) { floats(4); },
                   [&](const XMMATRIX&) { floats(16); },
                   [&](const TextValue&) {
                       const auto length = Take<uint32_t>(data, at);
                       cell.count = 0;
                       cell.label = data.substr(at, length);
                       at += length;
                   },
                   [&](uint32_t) { cell.values[0] = Take<uint32_t>(data, at); },
                   [&](int32_t) { cell.values[0] = Take<int32_t>(data, at); },
               },
               CellAlternative(kind));
}

template <size_t... Index>
std::array<Cell, sizeof...(Index)> EachAlternative(std::index_sequence<Index...>) {
    return {Cell(std::in_place_index<Index>)...};
}

}  // namespace

const Cell& CellAlternative(size_t kind) {
    static const auto alternatives =
        EachAlternative(std::make_index_sequence<std::variant_size_v<Cell>>{});
    return alternatives[kind];
}

std::string TextLabel(const TextValue& text) {
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
            info.text = std::holds_alternative<TextValue>(cell);
            info.whole =
                std::holds_alternative<uint32_t>(cell) || std::holds_alternative<int32_t>(cell);
        }
        record += static_cast<char>(cell.index());
        std::visit(Overloaded{
                       [&](float f) { Put(record, f); },
                       [&](const XMFLOAT4& v) {
                           const float values[4] = {v.x, v.y, v.z, v.w};
                           PutFloats(record, values, 4);
                       },
                       [&](const XMMATRIX& m) { PutFloats(record, &m.m[0][0], 16); },
                       [&](const TextValue& t) {
                           const std::string label = TextLabel(t);
                           Put(record, static_cast<uint32_t>(label.size()));
                           record += label;
                       },
                       [&](uint32_t u) { Put(record, u); },
                       [&](int32_t i) { Put(record, i); },
                   },
                   cell);
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
