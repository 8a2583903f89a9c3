#pragma once
// A test-only persistent class that exercises every value type of the command
// stream, hex and raw bytes, and plain and indexed child blocks.
#include <memory>
#include <string>
#include <vector>

#include "persistence/CommandEnabler.h"

namespace fw::test {

class SampleSlot;

class SampleRecord : public CommandEnabler {
public:
    SampleRecord();
    ~SampleRecord() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "SampleRecord"; }

    // A record with every field set to something that is not its default.
    static void fill(SampleRecord& record, int seed);

    int count = 0, enabled = 0;
    unsigned serial = 0;
    unsigned long size = 0;
    double weight = 0, version = 0;
    float scale = 1;
    double offset[2] = {}, position[3] = {}, bounds[6] = {}, matrix[16] = {};
    float color[3] = {}, rgba[4] = {};
    std::string name;
    std::vector<unsigned char> key;  // written as hex
    std::vector<unsigned char> raw;  // written as raw bytes after a count
    std::vector<std::unique_ptr<SampleRecord>> children;
    std::unique_ptr<SampleSlot> slots[4];
};

// An indexed child: "begin SampleSlot <n>".
class SampleSlot : public CommandEnabler {
public:
    SampleSlot();
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "SampleSlot"; }

    double amount = 0;
};

}  // namespace fw::test
