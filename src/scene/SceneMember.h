#pragma once
// A named, persistent member of a scene. Its name lives in the scene's name
// dictionary; its derived data lives in the output ports it registers.

#include <string>
#include <vector>

#include "persistence/CommandEnabler.h"
#include "scene/NameReference.h"

namespace fw {

class OutputPort;
class Scene;

class SceneMember : public CommandEnabler {
public:
    // Adds itself to the scene's list of `kind` and takes `name` (made unique if taken).
    SceneMember(Scene& scene, int kind, const char* name);
    ~SceneMember() override;
    SceneMember(const SceneMember&) = delete;
    SceneMember& operator=(const SceneMember&) = delete;

    int writeCommands(CommandIO& io) override;

    virtual int kind() const { return kind_; }
    // Renames the member; references held under the old name follow. False when
    // another member holds the name.
    virtual bool setName(const std::string& name);
    // Sets the used mark and marks every member this one refers to.
    virtual void markUsed() = 0;
    // Registers this level's keywords after its base's; the concrete class's
    // constructor calls it once, so every keyword lands in the concrete table.
    virtual void registerCommands();
    // After a whole scene is read: members that link to others by name connect now,
    // since a name may have been read before its member (the kinds load in a fixed order).
    virtual void postLoad() {}

    Scene& scene() const { return *scene_; }
    std::string name() const;
    NameReference& nameReference() { return name_; }
    bool used() const { return used_; }
    void setUsed(bool used) { used_ = used; }
    bool saveable() const { return saveable_; }
    void setSaveable(bool saveable) { saveable_ = saveable; }

    // The port registry: ports add themselves when constructed.
    void addPort(OutputPort* port);
    void removePort(OutputPort* port);
    OutputPort* findPort(const char* name) const;
    // The port of that name when it is a P (a typed port such as ResultPort<T>); else null.
    template <class P>
    P* findPortAs(const char* name) const {
        return dynamic_cast<P*>(findPort(name));
    }

private:
    Scene* scene_;
    int kind_;
    NameReference name_;
    std::vector<OutputPort*> ports_;
    bool used_ = false;
    bool saveable_ = true;
};

}  // namespace fw
