#pragma once
// Materials assigned to stretches of an outline: per entry id, a list of parameter
// intervals each with a material slot. Extrusion styles look entries up by id.

#include <string>
#include <vector>

#include "persistence/CommandEnabler.h"

namespace fw {

class ProfileProperty : public CommandEnabler {
public:
    struct Interval {
        double start = 0;
        double end = 1;
        int material = 0;
    };
    struct Entry {
        int id = 0;
        std::vector<Interval> intervals;
    };

    // The block name is the owner's: a style stores "perimProperties" and "holeProperties".
    explicit ProfileProperty(const char* blockName = "ProfileProperty");
    ProfileProperty(const ProfileProperty& other) = default;
    ProfileProperty& operator=(const ProfileProperty& other) = default;
    ~ProfileProperty() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return blockName_.c_str(); }

    // Appends to the entry with this id, creating it after the others if needed.
    void addInterval(int id, const Interval& interval);
    const Entry* find(int id) const;
    const std::vector<Entry>& entries() const { return entries_; }
    void clear() { entries_.clear(); }

private:
    std::string blockName_;
    std::vector<Entry> entries_;
};

}  // namespace fw
