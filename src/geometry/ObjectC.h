#pragma once
// A cluster: an object that stands for a group of other scene objects, named by
// reference, so they are selected, renamed, dressed and smoothed as one. The members
// keep their own geometry; the cluster has none of its own. Type 1 is a flag cluster
// (a cloth, its pole and caps).

#include <memory>
#include <string>
#include <vector>

#include "scene/NameReference.h"
#include "scene/Object.h"
#include "scene/Quality.h"
#include "surface/MaterialStack.h"

namespace fw {

class ObjectC : public Object {
public:
    enum ClusterType { kClusterNone = 0, kClusterFlag = 1 };

    ObjectC(Scene& scene, const char* name);
    ~ObjectC() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "ObjectC"; }
    void registerCommands() override;
    void markUsed() override;
    void localBounds2(int mode, double box[6]) override;
    const Gradients* gradients(int) override { return nullptr; }

    // Members in order; a member that no longer resolves answers null and an empty name.
    int memberCount() const { return static_cast<int>(members_.size()); }
    SceneMember* member(int index);
    std::string memberName(int index);
    void addMember(const std::string& name);
    void clearMembers() { members_.clear(); }

    // Renames the cluster and every member whose name begins with the old name, the
    // rest of the member's name kept. Members that do not are reported and left; the
    // cluster itself is renamed last. False when the cluster's new name is taken.
    bool renameWithMembers(const std::string& newName);

    // Material slots; they grow up to the slot, holding "defaultMtl".
    int materialSlotCount() const { return static_cast<int>(slots_.size()); }
    MaterialStack* materialStack(int slot);
    // Dresses member i in slot i (slot 0 when the cluster has fewer slots): a flag's
    // cloth, pole and caps each wear their own.
    void handMaterials();

    // The extent of the members in the cluster's own space, from their boxes in a render mode.
    void updateBounds(int mode);

    // Extent of the members: min x, max x, min y, max y, min z, max z (empty: 1e20, -1e20).
    double bounds[6] = {1e20, -1e20, 1e20, -1e20, 1e20, -1e20};
    int clusterType = kClusterNone;
    int selected = 0;
    double smoothnessPreview = 20.0, smoothnessRender = 50.0;
    // The smoothness of kPreviewMode or kRenderMode, kept as given.
    void setSmoothness(int mode, double smoothness) {
        (mode == kRenderMode ? smoothnessRender : smoothnessPreview) = smoothness;
    }

protected:
    // A "begin" block inside the cluster: material stacks here; derived clusters add theirs.
    virtual int beginChild(CommandIO& io, const char* blockName);

private:
    friend int readClusterBlock(CommandIO& io, CommandEnabler& r);
    std::vector<NameReference> members_;
    std::vector<std::unique_ptr<MaterialStack>> slots_;
};

}  // namespace fw
