#include "profile/ProfileLibrary.h"

#include <cstdio>
#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "persistence/StringsIO.h"
#include "profile/ProfileI.h"
#include "scene/SceneX.h"

namespace fw {

namespace {

// Edge profiles are drawn in percent of the solid's depth: y runs from 0 at the front
// face to 100 at the back, x is the offset outward from the outline.
const char* const kBuiltIn[] = {
    "begin ProfileI",
    " name \"Basic, Flat Sides\"",
    " begin InputProfile2",
    "  begin CompositeCurve2",
    "   begin Curve2",
    "    type Linear",
    "    p 0 0.0049",
    "    p 0 99.996101",
    "   end Curve2",
    "  end CompositeCurve2",
    " end InputProfile2",
    "end ProfileI",
    "begin ProfileI",
    " name \"Basic, Highlight Edges\"",
    " begin InputProfile2",
    "  begin CompositeCurve2",
    "   begin Curve2",
    "    type Linear",
    "    p 0 0.0024",
    "    p 2.501 2.5039",
    "    p 2.501 97.502403",
    "    p 0.0044 99.999496",
    "   end Curve2",
    "  end CompositeCurve2",
    " end InputProfile2",
    "end ProfileI",
    "begin ProfileI",
    " name \"Bevel, Small\"",
    " begin InputProfile2",
    "  begin CompositeCurve2",
    "   begin Curve2",
    "    type Linear",
    "    p 0 0",
    "    p 5 5",
    "    p 5 95",
    "    p 0 100",
    "   end Curve2",
    "  end CompositeCurve2",
    " end InputProfile2",
    "end ProfileI",
    "begin ProfileI",
    " name \"Bevel, Medium\"",
    " begin InputProfile2",
    "  begin CompositeCurve2",
    "   begin Curve2",
    "    type Linear",
    "    p 0 0",
    "    p 10 10",
    "    p 10 90",
    "    p 0 100",
    "   end Curve2",
    "  end CompositeCurve2",
    " end InputProfile2",
    "end ProfileI",
    "begin ProfileI",
    " name \"Bevel, Medium Front\"",
    " begin InputProfile2",
    "  begin CompositeCurve2",
    "   begin Curve2",
    "    type Linear",
    "    p 0 0",
    "    p 10 10",
    "    p 10 100",
    "   end Curve2",
    "  end CompositeCurve2",
    " end InputProfile2",
    "end ProfileI",
    "begin ProfileI",
    " name \"Bevel, Large\"",
    " begin InputProfile2",
    "  begin CompositeCurve2",
    "   begin Curve2",
    "    type Linear",
    "    p 0 0",
    "    p 20 20",
    "    p 20 80",
    "    p 0 100",
    "   end Curve2",
    "  end CompositeCurve2",
    " end InputProfile2",
    "end ProfileI",
    // Quarter circles of radius 10 at both faces, joined by a straight side.
    "begin ProfileI",
    " name \"Bead, Medium\"",
    " begin InputProfile2",
    "  begin CompositeCurve2",
    "   begin Curve2",
    "    type Bezier",
    "    p 0 0",
    "    p 5.5228474983 0",
    "    p 10 4.4771525017",
    "    p 10 10",
    "   end Curve2",
    "   begin Curve2",
    "    type Linear",
    "    p 10 10",
    "    p 10 90",
    "   end Curve2",
    "   begin Curve2",
    "    type Bezier",
    "    p 10 90",
    "    p 10 95.5228474983",
    "    p 5.5228474983 100",
    "    p 0 100",
    "   end Curve2",
    "  end CompositeCurve2",
    " end InputProfile2",
    "end ProfileI",
    // Projects store an entry by its index (ProfileL), so new entries go last.
    // Two stacked rounded steps of radius 5 at each face, the second set out by 5.
    "begin ProfileI",
    " name \"Bead, Double Edge\"",
    " begin InputProfile2",
    "  begin CompositeCurve2",
    "   begin Curve2",
    "    type Bezier",
    "    p 0 0",
    "    p 2.7614237492 0",
    "    p 5 2.2385762508",
    "    p 5 5",
    "   end Curve2",
    "   begin Curve2",
    "    type Linear",
    "    p 5 5",
    "    p 5 7.5",
    "   end Curve2",
    "   begin Curve2",
    "    type Bezier",
    "    p 5 7.5",
    "    p 7.7614237492 7.5",
    "    p 10 9.7385762508",
    "    p 10 12.5",
    "   end Curve2",
    "   begin Curve2",
    "    type Linear",
    "    p 10 12.5",
    "    p 10 87.5",
    "   end Curve2",
    "   begin Curve2",
    "    type Bezier",
    "    p 10 87.5",
    "    p 10 90.2614237492",
    "    p 7.7614237492 92.5",
    "    p 5 92.5",
    "   end Curve2",
    "   begin Curve2",
    "    type Linear",
    "    p 5 92.5",
    "    p 5 95",
    "   end Curve2",
    "   begin Curve2",
    "    type Bezier",
    "    p 5 95",
    "    p 5 97.7614237492",
    "    p 2.7614237492 100",
    "    p 0 100",
    "   end Curve2",
    "  end CompositeCurve2",
    " end InputProfile2",
    "end ProfileI",
    // "Bead, Medium" at half the radius.
    "begin ProfileI",
    " name \"Bead, Small\"",
    " begin InputProfile2",
    "  begin CompositeCurve2",
    "   begin Curve2",
    "    type Bezier",
    "    p 0 0",
    "    p 2.7614237492 0",
    "    p 5 2.2385762508",
    "    p 5 5",
    "   end Curve2",
    "   begin Curve2",
    "    type Linear",
    "    p 5 5",
    "    p 5 95",
    "   end Curve2",
    "   begin Curve2",
    "    type Bezier",
    "    p 5 95",
    "    p 5 97.7614237492",
    "    p 2.7614237492 100",
    "    p 0 100",
    "   end Curve2",
    "  end CompositeCurve2",
    " end InputProfile2",
    "end ProfileI",
    "begin ProfileI",
    " name \"Bevel, Small Front\"",
    " begin InputProfile2",
    "  begin CompositeCurve2",
    "   begin Curve2",
    "    type Linear",
    "    p 0 0",
    "    p 5 5",
    "    p 5 100",
    "   end Curve2",
    "  end CompositeCurve2",
    " end InputProfile2",
    "end ProfileI",
    "begin ProfileI",
    " name \"Bevel, Large Front\"",
    " begin InputProfile2",
    "  begin CompositeCurve2",
    "   begin Curve2",
    "    type Linear",
    "    p 0 0",
    "    p 20 20",
    "    p 20 100",
    "   end Curve2",
    "  end CompositeCurve2",
    " end InputProfile2",
    "end ProfileI",
    // A deep chamfer in two facets, the first nearly flat, as wide as "Bevel, Large".
    "begin ProfileI",
    " name \"Bevel, Power\"",
    " begin InputProfile2",
    "  begin CompositeCurve2",
    "   begin Curve2",
    "    type Linear",
    "    p 0 0",
    "    p 12 6",
    "    p 20 20",
    "    p 20 80",
    "    p 12 94",
    "    p 0 100",
    "   end Curve2",
    "  end CompositeCurve2",
    " end InputProfile2",
    "end ProfileI",
    // "Bevel, Power" with three V grooves, 3 deep, cut round the side.
    "begin ProfileI",
    " name \"Bevel, Power Grooves\"",
    " begin InputProfile2",
    "  begin CompositeCurve2",
    "   begin Curve2",
    "    type Linear",
    "    p 0 0",
    "    p 12 6",
    "    p 20 20",
    "    p 20 33",
    "    p 17 35",
    "    p 20 37",
    "    p 20 48",
    "    p 17 50",
    "    p 20 52",
    "    p 20 63",
    "    p 17 65",
    "    p 20 67",
    "    p 20 80",
    "    p 12 94",
    "    p 0 100",
    "   end Curve2",
    "  end CompositeCurve2",
    " end InputProfile2",
    "end ProfileI",
    // A wide, shallow bevel that barely leaves the face.
    "begin ProfileI",
    " name \"Bevel, Flat\"",
    " begin InputProfile2",
    "  begin CompositeCurve2",
    "   begin Curve2",
    "    type Linear",
    "    p 0 0",
    "    p 15 3",
    "    p 15 97",
    "    p 0 100",
    "   end Curve2",
    "  end CompositeCurve2",
    " end InputProfile2",
    "end ProfileI",
    nullptr,
};

int beginProfile(CommandIO& io, CommandEnabler& r) {
    auto& library = receiverAs<ProfileLibrary>(r);
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0 || std::strcmp(name, "ProfileI") != 0) return -1;
    // A name of the library's own until the block's "name" line renames it.
    char temporary[32];
    std::snprintf(temporary, sizeof temporary, "libraryprofile%d", library.count() + 1);
    io.push(new ProfileI(library.scene(), temporary));
    return 0;
}

int writeProfiles(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    auto& library = receiverAs<ProfileLibrary>(r);
    for (int i = 0; i < library.count(); ++i)
        if (io.writeBlock(*library.profile(i)) != 0) return -1;
    return 0;
}

constexpr FieldTable::Line kProfileLibraryLines[] = {
    {"begin", beginProfile, writeProfiles},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kProfileLibraryTable{kProfileLibraryLines};

}  // namespace

const char* const* ProfileLibrary::builtInLines() { return kBuiltIn; }

ProfileLibrary& ProfileLibrary::instance() {
    static ProfileLibrary library(kBuiltIn);
    return library;
}

ProfileLibrary::ProfileLibrary(const char* const* lines) : scene_(std::make_unique<SceneX>()) {
    kProfileLibraryTable.registerInto(*this);
    scene_->setName("ProfileLibrary");
    StringsIO io(this);
    io.attach(lines);
    StreamRead read = io.readAll();
    if (!read.ok()) error_ = read.error;
}

ProfileLibrary::~ProfileLibrary() = default;

CommandTable& ProfileLibrary::commandTable() {
    static CommandTable table;
    return table;
}

int ProfileLibrary::writeCommands(CommandIO& io) { return kProfileLibraryTable.write(io, *this); }

int ProfileLibrary::count() const { return scene_->memberCount(kProfileKind); }

Profile* ProfileLibrary::profile(int index) const {
    return static_cast<Profile*>(scene_->member(kProfileKind, index));
}

Profile* ProfileLibrary::find(const std::string& name) const {
    int index = indexOf(name);
    return index >= 0 ? profile(index) : nullptr;
}

std::vector<std::string> ProfileLibrary::names() const {
    std::vector<std::string> out;
    for (int i = 0; i < count(); ++i) out.push_back(profile(i)->name());
    return out;
}

int ProfileLibrary::indexOf(const std::string& name) const {
    for (int i = 0; i < count(); ++i)
        if (profile(i)->name() == name) return i;
    return -1;
}

}  // namespace fw
