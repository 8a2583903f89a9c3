#pragma once
// The table through which a scene creates members while loading: class name to
// creator and default name. Each subsystem adds its classes when the program
// starts, so the scene itself knows no concrete member class.

#include <string>
#include <unordered_map>

namespace fw {

class Scene;
class SceneMember;

using MemberCreator = SceneMember* (*)(Scene& scene, const char* defaultName);

class MemberFactory {
public:
    struct Entry {
        std::string className;
        std::string defaultName;  // printf format taking the default-name counter
        MemberCreator create;
    };

    static MemberFactory& instance();

    void add(const char* className, const char* defaultNameFormat, MemberCreator create);
    const Entry* find(const char* className) const;

    // The process-wide default-name counter: incremented before each use and never
    // reset, so default names keep growing across loads.
    static int nextDefaultNumber();

private:
    std::unordered_map<std::string, Entry> entries_;
};

// Adds the member classes of the scene library (Group) to the factory.
void registerSceneClasses();

}  // namespace fw
