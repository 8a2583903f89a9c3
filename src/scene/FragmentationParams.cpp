#include "scene/FragmentationParams.h"

#include <cstring>
#include <string>

#include "persistence/FieldTable.h"

namespace fw {

namespace {

// The words of a setting stored by name. An unknown word reads as the first value; a
// value outside the list writes as `otherwise`.
struct Words {
    const char* names[3];
    int values[3];
    int count;
    const char* otherwise;
};
using FP = FragmentationParams;
constexpr Words kStyles = {{"Linear", "Radial", "Random"}, {FP::kLinear, FP::kRadial, FP::kRandom}, 3, "Linear"};
constexpr Words kFrames = {{"Local", "Global"}, {FP::kLocal, FP::kGlobal}, 2, "Local"};
// Only a value that says solid keeps the cut faces closed when written; only the word
// "Shell" opens them when read.
constexpr Words kShellSolid = {{"Solid", "Shell"}, {FP::kSolid, FP::kShell}, 2, "Shell"};
constexpr Words kDivisions = {{"Normal", "Brick", "Recursive"}, {FP::kNormal, FP::kBrick, FP::kRecursive}, 3, "Normal"};

template <int FragmentationParams::*Field, const Words& W>
int readWord(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0) return -1;
    int value = W.values[0];
    for (int i = 1; i < W.count; ++i)
        if (word == W.names[i]) value = W.values[i];
    receiverAs<FragmentationParams>(r).*Field = value;
    return 0;
}

template <int FragmentationParams::*Field, const Words& W>
int writeWord(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    int value = receiverAs<FragmentationParams>(r).*Field;
    const char* name = W.otherwise;
    for (int i = 0; i < W.count; ++i)
        if (value == W.values[i]) name = W.names[i];
    return io.writef("%s %s\n", keyword, name);
}

template <int FragmentationParams::*Field, const Words& W>
constexpr FieldTable::Line wordLine(const char* keyword) {
    return {keyword, readWord<Field, W>, writeWord<Field, W>};
}

// The nested blocks fill the passes in order; a fourth has nowhere to go.
int beginChop(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0 || std::strcmp(name, "ChopParams") != 0) return -1;
    auto& f = receiverAs<FragmentationParams>(r);
    if (f.chopsRead < 0 || f.chopsRead >= 3) return -1;
    io.push(&f.chops[f.chopsRead++]);
    return 0;
}

int writeChops(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    for (ChopParams& chop : receiverAs<FragmentationParams>(r).chops)
        if (io.writeBlock(chop) != 0) return -1;
    return 0;
}

using F = FragmentationParams;
constexpr FieldTable::Line kFragmentationParamsLines[] = {
    field<&F::enabled>("Enabled"),
    wordLine<&F::style, kStyles>("Style"),
    wordLine<&F::frame, kFrames>("GlobLoc"),
    wordLine<&F::shellSolid, kShellSolid>("ShellSolid"),
    field<&F::solidMaterialIndex>("SolidMtlIdx"),
    wordLine<&F::divisionType, kDivisions>("DivisionType"),
    field<&F::trackFrame>("TrackFrame"),
    field<&F::sliceIncrease>("SliceIncrease"),
    field<&F::centerOffset>("CenterOffset"),
    {"begin", beginChop, writeChops},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kFragmentationParamsFields(kFragmentationParamsLines);

}  // namespace

FragmentationParams::FragmentationParams() {
    // The second pass crosses the first; the third, off by default, cuts through the depth.
    chops[1].direction[2] = 90.0;
    chops[2].enabled = false;
    chops[2].direction[1] = 90.0;
    kFragmentationParamsFields.registerInto(*this);
}

CommandTable& FragmentationParams::commandTable() {
    static CommandTable table;
    return table;
}

int FragmentationParams::writeCommands(CommandIO& io) { return kFragmentationParamsFields.write(io, *this); }

}  // namespace fw
