// The engine's plain value channels: vector, matrix, unsigned and the two match kinds.
#include <cstring>

#include "Kch_MatrixChannel.h"
#include "Kch_ValueChannels.h"
#include "Kch_VectorChannel.h"
#include "Orn_Guids.h"
#include "TypeRecords.h"

using orn_detail::MakeType;

namespace {
// Stored values change their time stamp only when their bits change.
template <class T>
bool Store(T& field, const T& value) {
    if (std::memcmp(&field, &value, sizeof(T)) == 0) return false;
    field = value;
    return true;
}
}  // namespace

Kch_VectorChannel::Kch_VectorChannel() { SetLinkInterface(orn_guid::kVectorInterface); }
Kch_VectorChannel::Kch_VectorChannel(const XMFLOAT4& value) : Kch_VectorChannel() { vector = value; }
const ChannelType* Kch_VectorChannel::GetChannelType() {
    static const ChannelType type = MakeType(
        "Vector", OrnGuidOf("{0E3F6B7A-5C21-4A8E-B3D0-6F9A1C2E4B71}"), orn_guid::kVectorInterface);
    return &type;
}
XMFLOAT4 Kch_VectorChannel::GetVector() { return vector; }
void Kch_VectorChannel::SetVector(const XMFLOAT4& value) {
    if (Store(vector, value)) SetTimeStamp();
}

Kch_MatrixChannel::Kch_MatrixChannel() { SetLinkInterface(orn_guid::kMatrixInterface); }
Kch_MatrixChannel::Kch_MatrixChannel(const XMMATRIX& value) : Kch_MatrixChannel() { matrix = value; }
const ChannelType* Kch_MatrixChannel::GetChannelType() {
    static const ChannelType type = MakeType(
        "Matrix", OrnGuidOf("{4B8D2E61-93A7-4F05-8C1E-7D3B5A9F0C22}"), orn_guid::kMatrixInterface);
    return &type;
}
XMMATRIX Kch_MatrixChannel::GetMatrix() { return matrix; }
void Kch_MatrixChannel::SetMatrix(const XMMATRIX& value) {
    if (Store(matrix, value)) SetTimeStamp();
}

Kch_UnsignedChannel::Kch_UnsignedChannel(uint32_t value) : value(value) {
    SetLinkInterface(orn_guid::kUnsignedInterface);
}
const ChannelType* Kch_UnsignedChannel::GetChannelType() {
    static const ChannelType type =
        MakeType("Unsigned", OrnGuidOf("{C5A0E7D3-2F48-4B19-A6E2-3D7F8B1C9E53}"),
                 orn_guid::kUnsignedInterface);
    return &type;
}
uint32_t Kch_UnsignedChannel::GetUnsignedValue() { return value; }
void Kch_UnsignedChannel::SetUnsignedValue(uint32_t newValue) {
    if (Store(value, newValue)) SetTimeStamp();
}

Kch_MatchChannelA::Kch_MatchChannelA(int32_t value) : value(value) {
    SetLinkInterface(orn_guid::kMatchAInterface);
}
const ChannelType* Kch_MatchChannelA::GetChannelType() {
    static const ChannelType type = MakeType(
        "Match A", OrnGuidOf("{8E1B4C7F-6A30-4D92-B5E8-1F2C7A9D3B64}"), orn_guid::kMatchAInterface);
    return &type;
}
int32_t Kch_MatchChannelA::GetMatchValue() { return value; }
void Kch_MatchChannelA::SetMatchValue(int32_t newValue) {
    if (Store(value, newValue)) SetTimeStamp();
}

Kch_MatchChannelB::Kch_MatchChannelB(int32_t value) : value(value) {
    SetLinkInterface(orn_guid::kMatchBInterface);
}
const ChannelType* Kch_MatchChannelB::GetChannelType() {
    static const ChannelType type = MakeType(
        "Match B", OrnGuidOf("{2D6F9A3B-7E15-4C80-9A4D-5B8E1F3C7A95}"), orn_guid::kMatchBInterface);
    return &type;
}
void Kch_MatchChannelB::Reserved() {}
int32_t Kch_MatchChannelB::GetMatchValue() { return value; }
void Kch_MatchChannelB::SetMatchValue(int32_t newValue) {
    if (Store(value, newValue)) SetTimeStamp();
}
