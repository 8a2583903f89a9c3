#pragma once
// An image map of the scene, named by the shader, sampled over the footprint.

#include <string>

#include "scene/NameReference.h"
#include "surface/Shader.h"

namespace fw {

class ImageMap;

class ShaderImage : public Shader {
public:
    // Without a scene the map's name is kept but nothing can be shown.
    explicit ShaderImage(Scene* scene);

    CommandTable& commandTable() override;
    const char* className() const override { return "ShaderImage"; }
    void registerCommands() override;
    void reset() override;
    double sampleScale() const override;
    void naturalSize(int& width, int& height) const override;
    void markUsed() override;

    void setImage(const std::string& mapName);
    std::string image() const;
    ImageMap* imageMap() const;
    Scene* scene() const { return scene_; }

protected:
    Rgba shade(const Footprint& footprint) const override;
    bool sameFields(const Shader& other) const override;
    void copyFields(const Shader& other) override;
    int writeFields(CommandIO& io) override;

private:
    Scene* scene_;
    std::string name_;      // used while there is no scene
    NameReference image_;   // follows the map through renames
};

}  // namespace fw
