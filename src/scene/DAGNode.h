#pragma once
// A scene member with a local transform and a parent in the scene hierarchy (the
// top node is "root"). The parent is held by counted name, so renames are followed.

#include <glm/mat4x4.hpp>
#include <string>

#include "scene/SceneMember.h"

namespace fw {

class DAGNode : public SceneMember {
public:
    // Flag word bits.
    enum : unsigned {
        kVisible = 16,
        kSolo = 32,
        kSoloGhost = 64,
        kLocked = 128,
        kEditorVisible = 256,
        kEditorSolo = 512,
        kEditorSoloGhost = 1024,
        kOpenHierarchy = 4096,
        kLinkChildren = 8192,
    };

    // Hangs below the scene's root unless it is the root itself (null parentless).
    DAGNode(Scene& scene, int kind, const char* name, bool belowRoot = true);

    int writeCommands(CommandIO& io) override;
    void registerCommands() override;
    int kind() const override { return SceneMember::kind(); }

    void copyTransform(const DAGNode& other);
    // Local transform: the matrix product in the transform order ("trs": T R S), the
    // rotation and scale taken about the origin point, and the rotation itself the
    // product in rotation order ("xyz": Rx Ry Rz).
    glm::dmat4 transform() const;
    glm::dmat4 worldTransform();
    // An axis-aligned box (min x, y, z, max x, y, z) carried into world space.
    void transformBox(const double local[6], double world[6]);
    virtual void localBounds(int mode, double box[6]);
    virtual void localBounds2(int mode, double box[6]);
    void worldBounds(int mode, double box[6]);

    DAGNode* parent();
    std::string parentName();
    bool hasParent() const { return !parent_.empty(); }
    // Sets the parent by name; a name no member holds yet is resolved when it appears.
    void setParent(const std::string& name);

    // What the animation gives the node at the scene's time, never stored: a
    // world-space matrix from where the node rests to where it is now (applied over
    // its parents' animation too), and an opacity that multiplies its materials'.
    void setAnimated(const glm::dmat4& matrix, double opacity);
    void clearAnimated();
    bool animated() const { return animated_; }
    const glm::dmat4& animatedMatrix() const { return animatedMatrix_; }
    double animatedOpacity() const { return animatedOpacity_; }
    // The node's world transform without any animation.
    glm::dmat4 restWorldTransform();

    unsigned flags() const { return flags_; }
    void setFlags(unsigned flags) { flags_ = flags; }
    bool flag(unsigned bit) const { return (flags_ & bit) != 0; }
    void setFlag(unsigned bit, bool on) { flags_ = on ? flags_ | bit : flags_ & ~bit; }

    double translate[3] = {0, 0, 0};
    double rotate[3] = {0, 0, 0};  // degrees
    double scale[3] = {1, 1, 1};
    double origin[3] = {0, 0, 0};
    std::string transformOrder = "trs";
    std::string rotateOrder = "xyz";

private:
    unsigned flags_ = kVisible | kEditorVisible;
    NameReference parent_;
    bool animated_ = false;
    glm::dmat4 animatedMatrix_{1.0};
    double animatedOpacity_ = 1.0;
};

// An empty box: minimum 1e20 and maximum -1e20 on each axis.
void emptyBox(double box[6]);
void growBox(double box[6], const double point[3]);

}  // namespace fw
