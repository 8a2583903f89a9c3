#include "SampleRecord.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "persistence/CommandIO.h"

namespace fw::test {

namespace {

SampleRecord& self(CommandEnabler& receiver) { return static_cast<SampleRecord&>(receiver); }

int beginChild(CommandIO& io, CommandEnabler& receiver) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    SampleRecord& record = self(receiver);
    if (std::strcmp(name, "SampleRecord") == 0) {
        io.push(record.children.emplace_back(std::make_unique<SampleRecord>()).get());
        return 0;
    }
    if (std::strcmp(name, "SampleSlot") == 0) {
        int n;
        if (io.readInt(n) != 0 || n < 0 || n >= 4) return -1;
        if (!record.slots[n]) record.slots[n] = std::make_unique<SampleSlot>();
        io.push(record.slots[n].get());
        return 0;
    }
    return -1;
}

// A length, then that many bytes: in hex for the key, as they are for the raw data.
template <bool hex>
int readByteField(CommandIO& io, CommandEnabler& receiver) {
    int length;
    if (io.readInt(length) != 0 || length < 0 || length > (hex ? 4096 : 1 << 20)) return -1;
    std::vector<unsigned char> bytes(static_cast<size_t>(length));
    if (hex ? io.readHex(bytes.data(), bytes.size()) : length && io.readBytes(bytes.data(), bytes.size()))
        return -1;
    (hex ? self(receiver).key : self(receiver).raw) = std::move(bytes);
    return 0;
}

}  // namespace

SampleRecord::SampleRecord() {
    registerCommand("count", [](CommandIO& io, CommandEnabler& r) { return io.readInt(self(r).count); });
    registerCommand("enabled", [](CommandIO& io, CommandEnabler& r) { return io.readInt(self(r).enabled); });
    registerCommand("serial", [](CommandIO& io, CommandEnabler& r) { return io.readUnsigned(self(r).serial); });
    registerCommand("size", [](CommandIO& io, CommandEnabler& r) { return io.readUnsignedLong(self(r).size); });
    registerCommand("weight", [](CommandIO& io, CommandEnabler& r) { return io.readDouble(self(r).weight); });
    registerCommand("scale", [](CommandIO& io, CommandEnabler& r) {
        double v;
        return io.readDouble(v) != 0 ? -1 : (self(r).scale = static_cast<float>(v), 0);
    });
    registerCommand("offset", [](CommandIO& io, CommandEnabler& r) { return io.readVector2(self(r).offset); });
    registerCommand("position", [](CommandIO& io, CommandEnabler& r) { return io.readVector3(self(r).position); });
    registerCommand("bounds", [](CommandIO& io, CommandEnabler& r) { return io.readDouble6(self(r).bounds); });
    registerCommand("matrix", [](CommandIO& io, CommandEnabler& r) { return io.readMatrix(self(r).matrix); });
    registerCommand("color", [](CommandIO& io, CommandEnabler& r) { return io.readColor(self(r).color, 3); });
    registerCommand("rgba", [](CommandIO& io, CommandEnabler& r) { return io.readColor(self(r).rgba, 4); });
    registerCommand("name", [](CommandIO& io, CommandEnabler& r) { return io.readString(self(r).name); });
    registerCommand("version", [](CommandIO& io, CommandEnabler& r) { return io.readDouble(self(r).version); });
    registerCommand("key", readByteField<true>);
    registerCommand("raw", readByteField<false>);
    registerCommand("begin", beginChild);
    registerCommand("end", CommandEnabler::endCommand);
}

SampleRecord::~SampleRecord() = default;

CommandTable& SampleRecord::commandTable() {
    static CommandTable table;
    return table;
}

int SampleRecord::writeCommands(CommandIO& io) {
    io.writef("count %d\n", count);
    io.writef("enabled %d\n", enabled);
    io.writef("serial %u\n", serial);
    io.writef("size %lu\n", size);
    io.writef("weight %f\n", weight);
    io.writef("scale %g\n", scale);
    io.writef("offset %g %g\n", offset[0], offset[1]);
    io.writef("position %f %f %f\n", position[0], position[1], position[2]);
    io.writef("bounds %g %g %g %g %g %g\n", bounds[0], bounds[1], bounds[2], bounds[3], bounds[4], bounds[5]);
    std::string m = "matrix";
    for (double v : matrix) m += " " + std::to_string(v);
    io.writef("%s\n", m.c_str());
    io.writef("color %f %f %f\n", color[0], color[1], color[2]);
    io.writef("rgba %g %g %g %g\n", rgba[0], rgba[1], rgba[2], rgba[3]);
    io.writef("name \"%s\"\n", escapeQuotes(name).c_str());
    int major = static_cast<int>(version);
    io.writef("version \"%d.%d\"\n", major, static_cast<int>((version - major) * 10 + 0.5));
    if (!key.empty()) {
        io.formatHex(key.data(), key.size());
        std::string hex = io.lineBuffer();
        io.writef("key %zu %s\n", key.size(), hex.c_str());
    }
    if (!raw.empty()) {
        io.writef("raw %zu\n", raw.size());
        if (io.writeBytes(raw.data(), raw.size()) != 0) return -1;
        io.writef("\n");
    }
    for (auto& child : children)
        if (io.writeBlock(*child) != 0) return -1;
    for (int n = 0; n < 4; ++n)
        if (slots[n] && io.writeIndexedBlock(*slots[n], n) != 0) return -1;
    return 0;
}

void SampleRecord::fill(SampleRecord& r, int seed) {
    auto set = [](auto& to, std::initializer_list<double> values) { std::copy(values.begin(), values.end(), to); };
    r.count = 7 + seed, r.enabled = 1, r.serial = 4000000000u, r.size = 123456789012ul;
    r.weight = 2.5 + seed, r.scale = 0.75f, r.version = 2.1;
    set(r.offset, {-1.5, 3});
    set(r.position, {1, -2.25, 100.125});
    for (int i = 0; i < 6; ++i) r.bounds[i] = i * 1.5 - 4;
    for (int i = 0; i < 16; ++i) r.matrix[i] = i % 5 == 0 ? 1 : i * 0.25;
    set(r.color, {0.5, 0.25, 1});
    set(r.rgba, {0.1, 0.2, 0.3, 0.4});
    r.name = "Title \"One\" at C:\\fonts\\" + std::to_string(seed);
    r.key = {0x00, 0xab, 0x10, 0xff};
    // Raw data may hold anything but a leading line break, which the reader skips.
    r.raw = {'x', '\n', 0, '"', '#', 0xff, ' ', 'e', 'n', 'd'};
}

SampleSlot::SampleSlot() {
    registerCommand("amount", [](CommandIO& io, CommandEnabler& r) {
        return io.readDouble(static_cast<SampleSlot&>(r).amount);
    });
    registerCommand("end", CommandEnabler::endCommand);
}

CommandTable& SampleSlot::commandTable() {
    static CommandTable table;
    return table;
}

int SampleSlot::writeCommands(CommandIO& io) { return io.writef("amount %g\n", amount); }

}  // namespace fw::test
