#pragma once
// Corner normals for polygons that came without them (most mesh formats store none),
// from a smoothing angle: at a corner, the faces that meet it whose planes differ from
// the corner's own face by less than the angle share one averaged normal, and a face
// across a sharper crease keeps its own. Corners are matched by where they are, not by
// position index, so an unwelded mesh (every triangle with its own three positions)
// is smoothed as well. Normals a mesh was given are kept as they are.

namespace fw {

class GeometryInterface;
class PackedObjDB;

namespace CreaseNormals {

// Whether some polygon of the mesh has no normals.
bool needed(const GeometryInterface& mesh);

// Packs the mesh into out as PackedObjDB::pack does, giving each polygon without
// normals its smoothed corner normals (degrees; a negative angle counts as 0, so
// only faces in one plane share). False when an element could not be stored.
bool pack(const GeometryInterface& mesh, double hardAngle, PackedObjDB& out);

}  // namespace CreaseNormals

}  // namespace fw
