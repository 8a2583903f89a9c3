#pragma once
// The primitive object: a parametric solid (sphere, plane, floor, cube, slab,
// cylinder, cone, torus, pyramids), a null that only carries a transform (a 3D group
// or the node of a text block), or a custom mesh the object keeps itself (an imported
// mesh, a flag, a fragment). Like the extruded object it hands its geometry out
// through ports per quality:
//
//   PrimitivePort        "PreviewPrimitive", "RenderPrimitive"   Port<GeometryInterface, PrimitiveSettings>
//   CustomGeometryPort   "CustomGeometry"                        Port<GeometryInterface, CustomGeometrySettings>
//   Object::ObjectDynPort "…PrimitiveDyn", "CustomGeometryDyn"   the deformed mesh
//   → Object's bounds, display geometry, world vertices and normals, gradients and
//     ElementInterpPort ("PreviewElementInterp", "RenderElementInterp"), each reading
//     the deformed mesh of the type the object has now through "GeometryInput".
//
// Parts pick material slots of the object itself (no style): a part whose slot is
// missing or wears only the default material wears slot 0.

#include <memory>
#include <string>
#include <vector>

#include "mesh/ObjDB.h"
#include "mesh/PackedObjDB.h"
#include "scene/Object.h"
#include "surface/MaterialStack.h"

namespace fw {

class ObjectP : public Object {
public:
    enum Type {
        kCustom = 0, kSphere, kPlane, kFloor, kCube, kSlab, kCylinder, kCone, kTorus, kPyramid3, kPyramid4,
        kDisk, kNull, kGroupNull
    };
    enum NullType { k3DNull = 0, kTextBlockNull = 1 };
    // Texture mapping sub-modes; every mode keeps coordinates within [0, 1].
    enum MappingMode {
        kMapPerFace = 0,     // each face or surface of revolution spans the texture once
        kMapKeepAspect = 1,  // as above, box and pyramid faces keep the texture's proportions
        kMapFront = 2,       // planar along z over the primitive's box
        kMapTop = 3,         // planar along y
        kMapSide = 4,        // planar along x
        kMapCylinder = 5,    // around the y axis, v by height
        kMapSphere = 6,      // longitude and latitude about the centre
    };
    static constexpr int kMappingModes = 7;
    // The smoothing angle (degrees) of a custom mesh whose object names none: the
    // preferences' default.
    static constexpr double kDefaultHardAngle = 30.0;

    // What a primitive is built for; the step count is the quality's smoothness.
    struct PrimitiveSettings {
        int type = kCustom;
        double size[3] = {200.0, 0.0, 0.0};
        int steps = 20;
        int gridAcross = 0, gridAlong = 0;
        bool flipV = false;
        int mappingMode = kMapPerFace;
        bool faceOn[6] = {true, true, true, true, true, true};
        double hardAngle = -1.0;
        bool operator==(const PrimitiveSettings&) const = default;
    };

    // The custom mesh is asked for again whenever it was replaced. Polygons that came
    // without normals are smoothed across edges sharper than none by hardAngle.
    struct CustomGeometrySettings {
        unsigned changes = 0;
        double hardAngle = kDefaultHardAngle;
        bool operator==(const CustomGeometrySettings&) const = default;
    };

    class PrimitivePort : public Port<GeometryInterface, PrimitiveSettings> {
    public:
        PrimitivePort(ObjectP* owner, const char* name);
        GeometryInterface* result() override { return &mesh_; }

    protected:
        bool compute(const PrimitiveSettings* settings) override;

    private:
        PackedObjDB mesh_;
    };

    class CustomGeometryPort : public Port<GeometryInterface, CustomGeometrySettings> {
    public:
        CustomGeometryPort(ObjectP* owner, const char* name);
        GeometryInterface* result() override { return &mesh_; }

    protected:
        bool compute(const CustomGeometrySettings* settings) override;

    private:
        PackedObjDB mesh_;
    };

    ObjectP(Scene& scene, const char* name);
    ~ObjectP() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "ObjectP"; }
    void registerCommands() override;
    void markUsed() override;
    void localBounds2(int mode, double box[6]) override { localBounds(mode, box); }
    const Gradients* gradients(int mode) override;
    void prepareStages() override;
    void postLoad() override { connectStages(); }

    // The type's stored name; values outside 1 to 13 are "CUSTOM".
    static const char* typeName(int type);
    // The type a stored name gives, or -1 for "CUSTOM" and names not known.
    static int typeFromName(const std::string& name);

    int type() const { return type_; }
    void setType(int type);
    void setSize(int index, double value);
    void setSmoothness(int mode, double smoothness);
    // What the primitive port of a quality is asked to build.
    PrimitiveSettings primitiveSettings(int mode) const;
    // The mesh of a quality as drawn (after deformation); null when there is none.
    GeometryInterface* geometry(int mode);

    // The object's own mesh (custom type); replaceCustomMesh tells its port.
    const ObjDB& customMesh() const { return custom_; }
    ObjDB& editCustomMesh() { return custom_; }
    void customMeshChanged();
    // Reads an OBJ text into the custom mesh: each material it names gets the slot
    // that already wears it, else the next new slot. False (mesh emptied) on bad data.
    bool readCustomMesh(std::string_view objText, std::string* error = nullptr);

    // Material slots by part index; they grow up to the slot, holding "defaultMtl".
    int materialSlotCount() const { return static_cast<int>(slots_.size()); }
    MaterialStack* materialStack(int slot);
    void setSlotMaterial(int slot, const std::string& material);
    // The stack a part wears: its own slot's when that carries a material, else slot 0's.
    MaterialStack* partStack(int part);

    std::string fileName, fileType, importName;
    int selected = 0;
    int nullType = k3DNull;
    double size[3] = {200.0, 0.0, 0.0};
    int gridCount[2] = {0, 0};
    int mappingMode = kMapPerFace;
    bool flipV = false;
    bool faceOn[6] = {true, true, true, true, true, true};
    int meshType = 0;
    double smoothnessPreview = 20.0, smoothnessRender = 50.0;

private:
    void connectStages();
    std::vector<Input<GeometryInterface>*> geometryInputs(int mode);
    // Primitive ports exist for preview and render; the flat editing view shows preview.
    static int quality(int mode) { return mode == kRenderMode ? 1 : 0; }

    int type_ = kCustom;
    ObjDB custom_;
    unsigned customChanges_ = 0;
    std::vector<std::unique_ptr<MaterialStack>> slots_;
    std::unique_ptr<PrimitivePort> primitives_[2];
    std::unique_ptr<ObjectDynPort> primitivesDyn_[2];
    std::unique_ptr<CustomGeometryPort> customPort_;
    std::unique_ptr<ObjectDynPort> customDyn_;
    std::unique_ptr<ElementInterpPort> elements_[2];
};

}  // namespace fw
