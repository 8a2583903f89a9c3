#pragma once
// What an object part wears: an ordered list of material assignments, each with its
// own mapping, tiling and blending, composited bottom to top.

#include <memory>
#include <vector>

#include "persistence/CommandEnabler.h"
#include "surface/MaterialStackItem.h"
#include "surface/Rgba.h"

namespace fw {

class MaterialStack : public CommandEnabler {
public:
    explicit MaterialStack(Scene& scene);
    // An assigned stack keeps its own scene; its items name the same materials there.
    MaterialStack(const MaterialStack& other);
    MaterialStack& operator=(const MaterialStack& other);

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "MaterialStack"; }

    Scene& scene() const { return *scene_; }
    int itemCount() const { return static_cast<int>(items_.size()); }
    MaterialStackItem& item(int index) { return *items_[index]; }
    const MaterialStackItem& item(int index) const { return *items_[index]; }
    // Appends an item wearing the named material (empty: none) and returns it.
    MaterialStackItem& addItem(const std::string& material = std::string());
    // The bottom item wears the named material; an empty stack gains one. Older files
    // named one material per part this way.
    void setBaseMaterial(const std::string& material);
    bool removeItem(int index);
    bool moveItem(int from, int to);
    // Owners empty a stack before reading its block into it.
    void clear();

    // More than one item, or one naming a material other than "defaultMtl".
    bool hasCustomMaterial() const;
    void markUsed();
    bool operator==(const MaterialStack& other) const;

    // Composites per-item colours (colors[i] for item i, index 0 at the bottom), each
    // item blended onto those under it with its own mode and amount.
    Rgba composite(const Rgba* colors, int count) const;

private:
    Scene* scene_;
    std::vector<std::unique_ptr<MaterialStackItem>> items_;
};

}  // namespace fw
