#pragma once
// A flag in the scene: a cluster of a cloth, its pole and caps, named after the
// cluster ("Flag1:Flag", "Flag1:Pole1", "Flag1:Cap1"). The cloth's mesh is the
// simulated grid at the frame being shown; the pole and caps are primitives.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "flag/FlagUnit.h"
#include "flag/kxFlag.h"
#include "geometry/ObjectC.h"

namespace fw {

class GeometryInterface;
class ObjectP;

class FlagCluster : public ObjectC {
public:
    // Between the cluster's name and a member's part name.
    static constexpr char kSeparator = ':';
    // "%s%cFlag", "%s%cPole%d", "%s%cCap%d".
    static std::string clothName(const std::string& cluster);
    static std::string poleName(const std::string& cluster, int number);
    static std::string capName(const std::string& cluster, int number);

    FlagCluster(Scene& scene, const char* name);
    ~FlagCluster() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "ObjectC-FlagCluster"; }
    void registerCommands() override;
    // A loaded cluster builds its parts from its settings when first shown, so the
    // settings a file holds act (saving a loaded scene keeps it as it was read).
    void postLoad() override;

    // Makes the cloth, pole and caps the settings ask for (or updates the ones that
    // exist), as children of the cluster, and lists them as its members.
    void buildMembers();
    // Puts the cloth where the simulation has it at `time` (frames; between two frames
    // the states are interpolated); false when the run was cancelled.
    bool showTime(double time);
    ObjectP* cloth();
    // Objects hung below the cluster that are not its parts: the cloth carries them,
    // bent with it (a title's letters laid on the flat cloth's plane).
    std::vector<Object*> wearers();
    // The object standing in for a built pole: the one FlagpoleName names; with a
    // FlagpoleNameIndex of 0 or more, that object's child of that number, or without a
    // name the scene's object of that number. Null when there is none (the cluster and
    // its own parts never count).
    DAGNode* namedPole();
    // The simulation, rebuilt when a setting that moves the cloth has changed.
    kxFlag& flag();

    // A cap style's mesh (in pole radii, the pole's end at y = 0), from the cap
    // libraries; null when none holds the name. Set by the program at start-up.
    static const GeometryInterface* (*capShapes)(bool top, const std::string& name);

    FlagUnit unit;
    // The cluster's world transform at a time (frames), as its animation places it; set
    // while the animation shows a time, so world forces follow an animated turn.
    std::function<glm::dmat4(double time)> worldAt;
    // Told how a long run of steps (a lead-in, a jump far ahead) is getting on.
    std::function<void(int done, int total)> progress;

protected:
    int beginChild(CommandIO& io, const char* blockName) override;

private:
    ObjectP* part(const std::string& name, int type);
    void writeClothMesh(const std::vector<double>& positions);
    void bendWearers(const std::vector<double>& positions);
    // The flag's own frame in the world's, turn only; identity when forces are local.
    glm::dmat4 flagToWorld();
    static glm::dmat4 turnOf(const glm::dmat4& world);

    void buildCaps(double top, double length, const double pivot[3]);

    std::unique_ptr<kxFlag> flag_;
    std::unique_ptr<FlagUnit> builtFrom_;
    glm::dmat4 builtTurn_{1.0};
    bool builtFollowing_ = false;
    double shownTime_ = -1e300;
    std::string warnedCaps_[2];  // the cap names already reported missing
    bool partsStale_ = false;    // loaded: the parts are built from the settings when first shown
};

// Adds the flag cluster to the member factory under its stored class name.
void registerFlagClasses();

}  // namespace fw
