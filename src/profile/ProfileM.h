#pragma once
// A profile sequence: a list of other profiles, one of which is shown at each frame
// (played once, held, looped, ping-ponged, reversed or in a seeded random order).

#include <memory>
#include <string>
#include <vector>

#include "platform/GrowableArray.h"
#include "profile/Profile.h"
#include "scene/NameReference.h"
#include "scene/SwitchPort.h"

namespace fw {

class ProfileM : public Profile {
public:
    enum CycleOption {
        PLAY_ONCE = 1,
        PLAY_THEN_HOLD,
        LOOP,
        PING_PONG,
        RANDOMIZE,
        REVERSE_PLAY_ONCE,
        REVERSE_PLAY_THEN_HOLD,
        REVERSE_LOOP,
    };

    // Forwards to the port of the same name of the profile shown at the current frame;
    // the choice is made again whenever the port is asked.
    template <class T, class S>
    class SelectPort : public SwitchPort<T, S> {
    public:
        SelectPort(ProfileM* owner, const char* name) : SwitchPort<T, S>(owner, name), sequence_(owner) {}
        bool isValid() override {
            if (OutputPort::hold()) return true;  // held ports keep what they show
            sequence_->selectCurrent();
            if (this->dirty()) return false;
            return SwitchPort<T, S>::isValid();
        }
        void show(Profile* shown) { this->select(shown ? shown->findPortAs<Port<T, S>>(this->name()) : nullptr); }

    protected:
        bool compute(const S* settings) override {
            sequence_->selectCurrent();
            return SwitchPort<T, S>::compute(settings);
        }

    private:
        ProfileM* sequence_;
    };

    ProfileM(Scene& scene, const char* name);
    ~ProfileM() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "ProfileM"; }
    void registerCommands() override;
    // Marks the sequence and every profile it shows.
    void markUsed() override;

    bool profileChanged() override;
    // The outline of the profile shown at the current frame.
    InputProfile2* inputProfile() override;

    static const char* cycleOptionName(int option);
    // Unknown names give LOOP.
    static int cycleOptionFromName(const char* name);

    // Members are held by name, so renames are followed and later members may be named
    // before they exist.
    void addMember(const std::string& name);
    int memberCount() const { return static_cast<int>(members_.size()); }
    std::string memberName(int index) const;
    // Null when the member does not exist, is not a profile, or would show this
    // sequence inside itself.
    Profile* member(int index) const;

    // The member index shown at `frame`, or -1 for none.
    int memberIndexAt(int frame);
    // The profile shown at the scene's current frame, or null.
    Profile* currentProfile();
    // Points every port at the current profile's ports.
    void selectCurrent();

    // The random order is drawn again on the next request that needs it.
    void discardRandomOrder() { randomOrder_.clear(); }

    bool showBeforeStart = false;
    int startFrame = 0;
    int changeCounter = 1;  // frames per member
    int cycleOption = LOOP;
    int randomSeed = 0;

private:
    // The member index for frame from the random order, drawn to cover it.
    int randomEntry(int frame);
    bool shows(const Profile* profile, int depth) const;

    std::vector<std::unique_ptr<NameReference>> members_;
    GrowableArray<int> randomOrder_{100};
    template <class F>
    void forEachPort(F f) {
        f(*outlinePort_);
        for (auto& port : flattenedPorts_) f(*port);
        for (auto& port : boundsPorts_) f(*port);
    }

    // The ports of the profiles it shows, by the same names.
    std::unique_ptr<SelectPort<InputProfile2, NoSettings>> outlinePort_;
    std::unique_ptr<SelectPort<ProfileGeometry, FlattenedProfileSettings>> flattenedPorts_[3];
    std::unique_ptr<SelectPort<Bounds, FlattenedProfileSettings>> boundsPorts_[3];
};

}  // namespace fw
