#pragma once
// A simpler preset record: a name, a thumbnail and one wrapped object of any
// persistent class.

#include <memory>
#include <string>

#include "library/ThumbnailRecord.h"
#include "persistence/CommandEnabler.h"

namespace fw {

class OrvoPresetStyle : public CommandEnabler {
public:
    static constexpr size_t kMaxName = 255;

    OrvoPresetStyle();
    ~OrvoPresetStyle() override;

    // Nothing is written, and -1 returned, unless there are both a thumbnail and an object.
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "OrvoPresetStyle"; }

    // The whole block, or nothing at all (-1) when the record is incomplete.
    int write(CommandIO& io);
    bool complete() const { return object_ && thumbnail_.picture(); }

    const std::string& name() const { return name_; }
    void setName(const std::string& name) { name_ = name.substr(0, kMaxName); }
    const Picture* thumbnail() const { return thumbnail_.picture(); }
    void setThumbnail(std::unique_ptr<Picture> picture) { thumbnail_.set(std::move(picture)); }
    CommandEnabler* object() const { return object_.get(); }
    void setObject(std::unique_ptr<CommandEnabler> object) { object_ = std::move(object); }
    void setTextOnly(bool on) { textOnly_ = on; }

private:
    friend struct OrvoPresetStyleLines;

    std::string name_;
    ThumbnailRecord thumbnail_;
    std::unique_ptr<CommandEnabler> object_;
    bool textOnly_ = false;
};

}  // namespace fw
