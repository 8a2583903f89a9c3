// The port machinery: caching, settings, stamps, the hold switch and links.
#include "scene/OutputPort.h"

#include "scene/Group.h"
#include "scene/Port.h"
#include "scene/SceneX.h"
#include "scene/SwitchPort.h"

namespace fw {
namespace {

struct Quality {
    int level;
    bool operator==(const Quality&) const = default;
};

// Sums its sources' values plus its own base; counts computations and resets.
struct SumPort : Port<int, Quality> {
    SumPort(SceneMember* owner, const char* name, int base = 0, int inputs = 0) : Port(owner, name), base(base) {
        for (int i = 0; i < inputs; ++i)
            inputs_.push_back(std::make_unique<Input<int>>(this, i == 0 ? "GeometryInput" : "Extra"));
        setDirty();  // owners dirty a port whose parameters are not computed yet
    }
    bool compute(const Quality* settings) override {
        ++computes;
        if (failNext) return false;
        value_ = base + (settings ? settings->level * 1000 : 0);
        for (auto& input : inputs_) {
            int* v = input->value();
            if (!v) return false;
            value_ += *v;
        }
        return true;
    }
    int* result() override { return &value_; }
    void reset() override { ++resets; }
    int base, computes = 0, resets = 0;
    bool failNext = false;

private:
    std::vector<std::unique_ptr<Input<int>>> inputs_;
    int value_ = 0;
};

int valueOf(const int* p) { return p ? *p : -999; }

// A value read from a port, and how often `port` has computed by then.
std::pair<int, int> after(const int* value, const SumPort& port) { return {valueOf(value), port.computes}; }

struct Ports : ::testing::Test {
    void SetUp() override { OutputPort::setHold(false); }
    SceneX scene;
    Group* source = new Group(scene, "Source");
    Group* consumer = new Group(scene, "Consumer");
};

}  // namespace

TEST_F(Ports, ComputeOnceUntilDirtyOrNewSettingsOrHeldAndOnlyACurrentPortIsEvicted) {
    SumPort port(source, "Bounds", 5);
    EXPECT_EQ(port.stamp(), 0u);
    Quality preview(0), render(1);
    EXPECT_EQ(valueOf(port.get(&preview)), 5);
    EXPECT_EQ(valueOf(port.get(&preview)), 5);
    EXPECT_EQ(after(port.value(), port), std::pair(5, 1));
    EXPECT_EQ(after(port.get(&render), port), std::pair(1005, 2));
    port.setDirty();
    EXPECT_EQ(after(port.update(), port), std::pair(1005, 3));
    port.failNext = true;
    port.setDirty();
    EXPECT_EQ(port.update(), nullptr);
    EXPECT_TRUE(port.dirty());  // a failed computation stays stale
    // The hold switch freezes every port at what it last computed.
    port.failNext = false;
    EXPECT_EQ(valueOf(port.update()), 1005);
    port.base = 6;
    port.setDirty();
    OutputPort::setHold(true);
    EXPECT_TRUE(port.isValid());
    EXPECT_EQ(after(port.update(), port), std::pair(1005, 5));
    OutputPort::setHold(false);
    EXPECT_EQ(valueOf(port.update()), 1006);
    // An evicted port gives its storage back and stays current; that a read makes it again without a new stamp or a
    // stale consumer is checked on the solids' stages, in tests/text:
    // TextSolidBatch.BuildsWhatThePortsBuildAndRenderBatchesLetTheEarlierStagesGo.
    const int resets = port.resets;
    port.evict();
    EXPECT_EQ(std::pair(port.evicted(), port.resets), std::pair(true, resets + 1));
    port.value();
    port.setDirty();
    port.evict();  // stale: nothing to give back
    EXPECT_EQ(std::pair(port.evicted(), port.resets), std::pair(false, resets + 1));
}

TEST_F(Ports, ConsumerGoesStaleWhenItsSourceRecomputesAfterItPastTheStampsSignBit) {
    SumPort geometry(source, "Geometry", 7);
    SumPort bounds(consumer, "Bounds", 100, 1);
    ASSERT_TRUE(bounds.input(0)->connect(source->nameReference(), "Geometry"));
    EXPECT_FALSE(bounds.hasUnconnectedInput());
    EXPECT_EQ(valueOf(bounds.value()), 107);
    EXPECT_EQ(after(bounds.value(), bounds), std::pair(107, 1));
    EXPECT_GT(bounds.stamp(), geometry.stamp());
    geometry.base = 8;
    geometry.setDirty();
    EXPECT_FALSE(bounds.isValid());  // the source is stale, so the consumer is
    EXPECT_TRUE(bounds.dirty());
    EXPECT_EQ(after(bounds.value(), geometry), std::pair(108, 2));
    // The source recomputed on another consumer's behalf: this one is stale too.
    geometry.setDirty();
    geometry.value();
    EXPECT_FALSE(bounds.isValid());
    EXPECT_EQ(after(bounds.value(), bounds), std::pair(108, 3));
    // Stamps compare unsigned past the sign bit, and the counter skips 0 when it wraps.
    OutputPort::setCounter(0x7ffffffeu);
    geometry.setDirty();
    EXPECT_EQ(after(bounds.value(), bounds), std::pair(108, 4));
    EXPECT_GE(bounds.stamp(), 0x80000000u);
    EXPECT_LT(geometry.stamp(), 0x80000000u);
    EXPECT_TRUE(bounds.isValid());
    OutputPort::setCounter(0xffffffffu);
    geometry.setDirty();
    geometry.value();
    EXPECT_EQ(geometry.stamp(), 1u);
}

TEST_F(Ports, ReconnectionDirtiesAndResetsOnlyWhenSomethingChangedAndSwitchesAnswerForTheirDelegate) {
    SumPort a(source, "A", 1), b(source, "B", 2);
    SumPort consumerPort(consumer, "Bounds", 0, 1);
    InputLink* link = consumerPort.input("GeometryInput");
    ASSERT_NE(link, nullptr);
    ASSERT_TRUE(link->connect(source->nameReference(), "A"));
    EXPECT_EQ(valueOf(consumerPort.value()), 1);
    EXPECT_EQ(consumerPort.resets, 1);
    ASSERT_TRUE(link->connect(source->nameReference(), "A"));
    EXPECT_EQ(consumerPort.resets, 1);
    EXPECT_TRUE(consumerPort.isValid());
    testing::internal::CaptureStdout();
    EXPECT_FALSE(link->connect(source->nameReference(), "NoSuchPort"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "bad link\n");
    EXPECT_EQ(link->source(), &a);
    ASSERT_TRUE(link->connect(source->nameReference(), "B"));
    EXPECT_EQ(consumerPort.resets, 2);
    EXPECT_EQ(valueOf(consumerPort.value()), 2);
    // The link holds the source by name: a rename is followed.
    ASSERT_TRUE(source->setName("Renamed"));
    EXPECT_EQ(link->sourceMember().name(), "Renamed");
    EXPECT_EQ(link->sourceMember().resolve(), source);
    SwitchPort<int, Quality> choice(consumer, "Choice");
    EXPECT_EQ(std::pair(choice.isValid(), choice.hasUnconnectedInput()), std::pair(true, true));
    EXPECT_EQ(choice.update(), nullptr);
    choice.select(&a);
    EXPECT_EQ(valueOf(choice.update()), 1);
    EXPECT_FALSE(choice.hasUnconnectedInput());
    EXPECT_EQ(consumer->findPort("Choice"), &choice);
}

TEST_F(Ports, ConnectionsRefuseAResultOrSettingsOfAnotherTypeAndFollowTheirSettings) {
    SumPort geometry(source, "Geometry", 1);
    struct Halves : Port<double> {
        using Port::Port;
        double* result() override { return &half; }
        bool compute(const NoSettings*) override { return true; }
        double half = 0.5;
    } halves(source, "Halves");
    SumPort bounds(consumer, "Bounds", 0, 1);
    InputLink* link = bounds.input(0);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(link->connect(source->nameReference(), "Halves"));  // a double is not an int
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot read port Halves"), std::string::npos);
    EXPECT_EQ(link->source(), nullptr);
    struct Other { bool operator==(const Other&) const = default; } other;
    link->setSettings(&other);
    EXPECT_FALSE(link->connect(source->nameReference(), "Geometry"));  // the source takes a Quality
    Quality render(1);
    link->setSettings(&render);
    ASSERT_TRUE(link->connect(source->nameReference(), "Geometry"));
    link->setSettings(&other);  // refused: the link keeps the settings it had
    EXPECT_EQ(valueOf(bounds.value()), 1001);
    // Someone else wants the preview variant: the link's settings no longer match the source's.
    Quality preview(0);
    geometry.prepare(&preview);
    EXPECT_FALSE(bounds.isValid());
    EXPECT_EQ(valueOf(bounds.value()), 1001);
}

}  // namespace fw
