#include "surface/ShaderImage.h"

#include <algorithm>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "scene/Scene.h"
#include "surface/ImageFile.h"
#include "surface/ImageMap.h"

namespace fw {

namespace {

int readImage(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    receiverAs<ShaderImage>(r).setImage(name);
    return 0;
}

constexpr FieldTable::Line kShaderImageLines[] = {
    {"image", readImage, writeGetter<&ShaderImage::image>, Spelling::quoted},
};
constexpr FieldTable kShaderImageTable{kShaderImageLines};

}  // namespace

ShaderImage::ShaderImage(Scene* scene) : Shader(kImage), scene_(scene) { registerCommands(); }

CommandTable& ShaderImage::commandTable() {
    static CommandTable table;
    return table;
}

void ShaderImage::registerCommands() {
    Shader::registerCommands();
    kShaderImageTable.registerInto(*this);
}

void ShaderImage::reset() {
    Shader::reset();
    setImage("");
}

void ShaderImage::setImage(const std::string& mapName) {
    name_ = mapName;
    image_ = scene_ && !mapName.empty() ? NameReference(scene_->nameDictionary(), mapName.c_str()) : NameReference();
}

std::string ShaderImage::image() const {
    if (image_.empty()) return name_;
    NameReference copy(image_);
    return copy.name();
}

ImageMap* ShaderImage::imageMap() const { return dynamic_cast<ImageMap*>(followReference(image_)); }

void ShaderImage::markUsed() {
    if (ImageMap* m = imageMap()) m->markUsed();
}

void ShaderImage::naturalSize(int& width, int& height) const {
    ImageMap* m = imageMap();
    ImageFile* f = m ? m->imageFile() : nullptr;
    if (f && f->width() > 0) {
        width = f->width();
        height = f->height();
    } else {
        Shader::naturalSize(width, height);
    }
}

// A blur is given in pixels of the image; texture space spans the whole image.
double ShaderImage::sampleScale() const {
    int w, h;
    naturalSize(w, h);
    return 1.0 / std::max(w, 1);
}

Rgba ShaderImage::shade(const Footprint& f) const {
    ImageMap* m = imageMap();
    return m ? m->sample(f.u0, f.v0, f.u1, f.v1) : Rgba{};
}

bool ShaderImage::sameFields(const Shader& other) const {
    return image() == static_cast<const ShaderImage&>(other).image();
}

void ShaderImage::copyFields(const Shader& other) {
    const auto& o = static_cast<const ShaderImage&>(other);
    scene_ = o.scene_;
    setImage(o.image());
}

int ShaderImage::writeFields(CommandIO& io) { return kShaderImageTable.write(io, *this); }

}  // namespace fw
