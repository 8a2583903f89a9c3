#pragma once
// The flattened outline a profile port holds: a 2D shape database that may also carry
// a packed mesh made from it.

#include <memory>

#include "profile/Shape2DB.h"

namespace fw {

class PackedObjDB;

class ProfileGeometry : public Shape2DB {
public:
    ProfileGeometry();
    ~ProfileGeometry() override;
    ProfileGeometry(const ProfileGeometry& other);
    ProfileGeometry& operator=(const ProfileGeometry& other);

    int clear() override;

    PackedObjDB* packed() const { return packed_.get(); }
    // Creates the packed copy on first use.
    PackedObjDB& packedMesh();
    void dropPacked();

private:
    std::unique_ptr<PackedObjDB> packed_;
};

}  // namespace fw
