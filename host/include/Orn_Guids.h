// The interface and class GUIDs of the engine, defined once.
#pragma once

#include "Orn_Types.h"

namespace orn_guid {
// Child interfaces: a child is found by the interface it presents and an index among those.
inline constexpr OrnGuid kFloatInterface = OrnGuidOf("{BE69CCC4-CFC1-4362-AC81-767D199BBFC3}");
inline constexpr OrnGuid kVectorInterface = OrnGuidOf("{9D045960-EAC2-4C40-9BBF-10F32F7FA305}");
inline constexpr OrnGuid kMatrixInterface = OrnGuidOf("{2F605354-314D-4775-86E4-1F733550B227}");
inline constexpr OrnGuid kTextInterface = OrnGuidOf("{6E6FB247-4627-4FBE-8973-48344F23881E}");
inline constexpr OrnGuid kObjectInterface = OrnGuidOf("{10C20C0A-7A55-4084-8676-95E5699BCEC2}");
inline constexpr OrnGuid kUnsignedInterface = OrnGuidOf("{E34823CE-646E-46FE-8B36-0B9483ABB6F5}");
inline constexpr OrnGuid kMatchAInterface = OrnGuidOf("{21A8923D-B908-4104-AE88-B6718D8A8678}");
inline constexpr OrnGuid kMatchBInterface = OrnGuidOf("{BC052C38-2D5D-4F0C-A0CA-654D0AFC584A}");

// Engine objects: the frame timer is made by the object factory, the camera found by lookup.
inline constexpr OrnGuid kFrameTimerClass = OrnGuidOf("{5FE055B0-4269-4B25-9F31-157C835EC678}");
inline constexpr OrnGuid kCameraChannel = OrnGuidOf("{E2D1C95B-1B84-4D94-A373-BEBABADF7AEE}");

// Matches every type and interface in a child-creation record.
inline constexpr OrnGuid kWildcard = OrnGuidOf("{11111111-1111-1111-1111-111111111111}");
inline constexpr OrnGuid kNull = OrnGuidOf("{00000000-0000-0000-0000-000000000000}");
}  // namespace orn_guid
