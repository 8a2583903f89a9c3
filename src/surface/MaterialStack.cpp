#include "surface/MaterialStack.h"

#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "surface/MaterialX.h"

namespace fw {

namespace {

int beginItem(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0 || std::strcmp(name, "MaterialStackItem") != 0) return -1;
    io.push(&receiverAs<MaterialStack>(r).addItem());
    return 0;
}

int writeItems(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    auto& stack = receiverAs<MaterialStack>(r);
    for (int i = 0; i < stack.itemCount(); ++i)
        if (io.writeBlock(stack.item(i)) != 0) return -1;
    return 0;
}

constexpr FieldTable::Line kMaterialStackLines[] = {
    {"begin", beginItem, writeItems},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kMaterialStackTable{kMaterialStackLines};

}  // namespace

MaterialStack::MaterialStack(Scene& scene) : scene_(&scene) { kMaterialStackTable.registerInto(*this); }

MaterialStack::MaterialStack(const MaterialStack& other) : MaterialStack(*other.scene_) { *this = other; }

MaterialStack& MaterialStack::operator=(const MaterialStack& other) {
    if (this == &other) return *this;
    items_.clear();
    for (const auto& item : other.items_) addItem() = *item;
    return *this;
}

CommandTable& MaterialStack::commandTable() {
    static CommandTable table;
    return table;
}

int MaterialStack::writeCommands(CommandIO& io) { return kMaterialStackTable.write(io, *this); }

MaterialStackItem& MaterialStack::addItem(const std::string& material) {
    items_.push_back(std::make_unique<MaterialStackItem>(*scene_));
    if (!material.empty()) items_.back()->setMaterial(material);
    return *items_.back();
}

void MaterialStack::setBaseMaterial(const std::string& material) {
    if (items_.empty())
        addItem(material);
    else
        items_.front()->setMaterial(material);
}

bool MaterialStack::removeItem(int index) {
    if (index < 0 || index >= itemCount()) return false;
    items_.erase(items_.begin() + index);
    return true;
}

bool MaterialStack::moveItem(int from, int to) {
    if (from < 0 || from >= itemCount() || to < 0 || to >= itemCount()) return false;
    std::unique_ptr<MaterialStackItem> moved = std::move(items_[from]);
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, std::move(moved));
    return true;
}

void MaterialStack::clear() { items_.clear(); }

bool MaterialStack::hasCustomMaterial() const {
    if (items_.size() > 1) return true;
    return items_.size() == 1 && items_[0]->materialName() != MaterialX::kDefaultName;
}

void MaterialStack::markUsed() {
    for (auto& item : items_) item->markUsed();
}

bool MaterialStack::operator==(const MaterialStack& other) const {
    if (items_.size() != other.items_.size()) return false;
    for (size_t i = 0; i < items_.size(); ++i)
        if (!(*items_[i] == *other.items_[i])) return false;
    return true;
}

Rgba MaterialStack::composite(const Rgba* colors, int count) const {
    Rgba result;
    count = std::min(count, itemCount());
    for (int i = 0; i < count; ++i) {
        Rgba c = colors[i];
        if (items_[i]->blendingAmount < 1.0) c.a = static_cast<float>(c.a * items_[i]->blendingAmount);
        if (i == 0)
            result = c;
        else
            BlendMode::blend(result, c, items_[i]->blendingStyle, true);
    }
    return result;
}

}  // namespace fw
