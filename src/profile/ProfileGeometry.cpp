#include "profile/ProfileGeometry.h"

#include "mesh/PackedObjDB.h"

namespace fw {

ProfileGeometry::ProfileGeometry() = default;
ProfileGeometry::~ProfileGeometry() = default;

ProfileGeometry::ProfileGeometry(const ProfileGeometry& other) : Shape2DB() { *this = other; }

ProfileGeometry& ProfileGeometry::operator=(const ProfileGeometry& other) {
    if (this == &other) return *this;
    copyFrom(other);
    if (other.packed_) {
        // Packing a packed mesh reproduces it vertex for vertex.
        packedMesh().pack(*other.packed_);
    } else {
        packed_.reset();
    }
    return *this;
}

int ProfileGeometry::clear() {
    packed_.reset();
    return Shape2DB::clear();
}

PackedObjDB& ProfileGeometry::packedMesh() {
    if (!packed_) packed_ = std::make_unique<PackedObjDB>();
    return *packed_;
}

void ProfileGeometry::dropPacked() { packed_.reset(); }

}  // namespace fw
