#include "Kch_TextChannel.h"

#include "Orn_Guids.h"
#include "TypeRecords.h"

namespace {
constexpr char16_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Decodes one UTF-8 sequence at bytes[i]; returns its length, or 0 when it is not a valid,
// shortest-form sequence of a scalar value.
size_t DecodeUtf8(std::string_view bytes, size_t i, uint32_t& code) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(bytes[k]); };
    const uint8_t lead = byte(i);
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    size_t length;
    uint32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}
}  // namespace

OrnWideString OrnUtf8ToWide(std::string_view bytes) {
    OrnWideString out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        uint32_t code = 0;
        const size_t length = DecodeUtf8(bytes, i, code);
        if (length == 0) {
            out += static_cast<OrnWideChar>(kReplacement);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<OrnWideChar>(0xD800 + (code >> 10));
            out += static_cast<OrnWideChar>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<OrnWideChar>(code);
        }
        i += length;
    }
    return out;
}

std::string OrnWideToUtf8(const OrnWideChar* units, size_t count) {
    std::string out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const auto unit = static_cast<uint32_t>(static_cast<char16_t>(units[i]));
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count) {
            const auto low = static_cast<uint32_t>(static_cast<char16_t>(units[i + 1]));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, (unit >= 0xD800 && unit <= 0xDFFF) ? kReplacement : unit);
    }
    return out;
}

Kch_TextChannel::Kch_TextChannel() { SetLinkInterface(orn_guid::kTextInterface); }

const ChannelType* Kch_TextChannel::GetChannelType() {
    static const ChannelType type = orn_detail::MakeType(
        "Text", OrnGuidOf("{9C4E1A8B-3D72-4F60-8B15-A2E6C9D07F31}"), orn_guid::kTextInterface);
    return &type;
}

const char* Kch_TextChannel::GetText() { return kind == Kind::None ? nullptr : narrow.c_str(); }

void Kch_TextChannel::SetText(const char* text) {
    if (text == nullptr) {
        ClearText();
    } else {
        SetNarrowText(text);
    }
}

bool Kch_TextChannel::IsWideText() { return kind == Kind::Wide; }

const OrnWideChar* Kch_TextChannel::GetWideText() {
    return kind == Kind::None ? nullptr : wide.c_str();
}

void Kch_TextChannel::SetNarrowText(std::string_view bytes) {
    Assign(Kind::Narrow, std::string(bytes), OrnUtf8ToWide(bytes));
}

void Kch_TextChannel::SetWideText(std::u16string_view units) {
    OrnWideString text(units.begin(), units.end());
    std::string converted = OrnWideToUtf8(text.data(), text.size());
    Assign(Kind::Wide, std::move(converted), std::move(text));
}

void Kch_TextChannel::ClearText() { Assign(Kind::None, {}, {}); }

void Kch_TextChannel::Assign(Kind newKind, std::string newNarrow, OrnWideString newWide) {
    const bool changed = newKind != kind || newNarrow != narrow || newWide != wide;
    kind = newKind;
    narrow = std::move(newNarrow);
    wide = std::move(newWide);
    if (changed) SetTimeStamp();
}
