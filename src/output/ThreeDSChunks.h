#pragma once
// The chunk ids of 3DS files that the writer and reader use (little-endian chunks:
// 16-bit id, 32-bit length counting the 6-byte header).

#include <cstdint>

namespace fw::tds {

enum : uint16_t {
    kMain = 0x4D4D,
    kVersion = 0x0002,
    kColorFloat = 0x0010,
    kColorByte = 0x0011,
    kColorByteLinear = 0x0012,
    kColorFloatLinear = 0x0013,
    kPercentInt = 0x0030,
    kPercentFloat = 0x0031,
    kMasterScale = 0x0100,
    kEditor = 0x3D3D,
    kMeshVersion = 0x3D3E,
    kMaterial = 0xAFFF,
    kMaterialName = 0xA000,
    kAmbient = 0xA010,
    kDiffuse = 0xA020,
    kSpecular = 0xA030,
    kShininess = 0xA040,
    kShininessStrength = 0xA041,
    kTransparency = 0xA050,
    kNamedObject = 0x4000,
    kTriangleMesh = 0x4100,
    kVertexList = 0x4110,
    kFaceList = 0x4120,
    kFaceMaterial = 0x4130,
    kMapping = 0x4140,
    kSmoothing = 0x4150,
    kLocalAxes = 0x4160,
    kKeyframer = 0xB000,
    kObjectNode = 0xB002,
    kKeyframerSegment = 0xB008,
    kKeyframerCurrentTime = 0xB009,
    kKeyframerHeader = 0xB00A,
    kNodeHeader = 0xB010,
    kPivot = 0xB013,
    kPositionTrack = 0xB020,
    kRotationTrack = 0xB021,
    kScaleTrack = 0xB022,
    kNodeId = 0xB030,
};

}  // namespace fw::tds
