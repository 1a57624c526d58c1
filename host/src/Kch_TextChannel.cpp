#include "Kch_TextChannel.h"

#include "Orn_Guids.h"
#include "TextCodec.h"
#include "TypeRecords.h"

OrnWideString OrnUtf8ToWide(std::string_view bytes) {
    return *codec::Utf8ToUtf16<OrnWideChar>(bytes, codec::OnInvalid::Replace);
}

std::string OrnWideToUtf8(const OrnWideChar* units, size_t count) {
    return *codec::Utf16ToUtf8(std::basic_string_view<OrnWideChar>(units, count),
                               codec::OnInvalid::Replace);
}

Kch_TextChannel::Kch_TextChannel() {
    SetLinkInterface(orn_guid::kTextInterface);
}

const ChannelType* Kch_TextChannel::GetChannelType() {
    static const ChannelType type = orn_detail::MakeType(
        "Text", OrnGuidOf("{9C4E1A8B-3D72-4F60-8B15-A2E6C9D07F31}"), orn_guid::kTextInterface);
    return &type;
}

const char* Kch_TextChannel::GetText() {
    return kind == Kind::None ? nullptr : narrow.c_str();
}

void Kch_TextChannel::SetText(const char* text) {
    if (text == nullptr) {
        ClearText();
    } else {
        SetNarrowText(text);
    }
}

bool Kch_TextChannel::IsWideText() {
    return kind == Kind::Wide;
}

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

void Kch_TextChannel::ClearText() {
    Assign(Kind::None, {}, {});
}

void Kch_TextChannel::Assign(Kind newKind, std::string newNarrow, OrnWideString newWide) {
    const bool changed = newKind != kind || newNarrow != narrow || newWide != wide;
    kind = newKind;
    narrow = std::move(newNarrow);
    wide = std::move(newWide);
    if (changed) SetTimeStamp();
}
