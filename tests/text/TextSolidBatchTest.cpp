// A text block's solids built as one batch, on one thread and on several, against the same block built object by object
// through the ports: every stage's result must be the same to the bit, and the ports must take the batch's results as
// their own.
#include <gtest/gtest.h>

#include "GlyphOutline.h"
#include "app/Registration.h"
#include "geometry/ObjectX.h"
#include "geometry/ObjectXStyle.h"
#include "mesh/PackedObjDB.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "scene/Port.h"
#include "scene/Quality.h"
#include "scene/SceneX.h"
#include "text/TextBlock.h"

namespace fw {
namespace {

// A block with repeated letters, holes, digits and punctuation, in the style's edge.
struct Title {
    SceneX scene;
    std::vector<ObjectX*> objects;
    explicit Title(const char* edge) {
        registerAllClasses();
        Dialogs::instance().setQuiet(true);
        auto* style = new ObjectXStyle(scene, "Style");
        style->setPerimeterProfile(edge);
        style->setDepth(18);
        auto* block = new TextBlock(scene, "Title");
        TextAttr attr;
        attr.name = test::kDejaVuSans;
        block->appendText(u"Bold glyphs: aa bb oo 88 @@ & %!\rQuick brown foxes, 0123456789?", attr);
        block->maxWidth = 4000;
        block->layout();
        block->build("Style");
        for (int i = 0; i < scene.memberCount(kObjectKind); ++i)
            if (auto* o = dynamic_cast<ObjectX*>(scene.member(kObjectKind, i))) objects.push_back(o);
    }
};

// A stage's port: the solid's unless named.
template <class T = ResultPort<GeometryInterface>>
T* port(ObjectX& o, int mode, const char* stage = "Geometry") {
    return o.findPortAs<T>(qualityPortName(mode, stage).c_str());
}

auto* facePort(ObjectX& o, int mode) { return port<ResultPort<ObjectX::Contours>>(o, mode, "Face"); }

// Everything a packed mesh hands a reader, as bytes.
std::string bytesOf(const GeometryInterface* g) {
    auto* m = dynamic_cast<const PackedObjDB*>(g);
    if (!m) return "none";
    std::string out;
    auto add = [&](const void* p, size_t n) { out.append(static_cast<const char*>(p), n); };
    const int counts[4] = {m->vertexCount(), m->indexCount(), m->elementCount(), m->attributeFlags()};
    add(counts, sizeof counts);
    if (m->vertexCount() > 0)
        add(m->vertexData(), sizeof(float) * PackedObjDB::kFloatsPerVertex * static_cast<size_t>(m->vertexCount()));
    if (m->indexCount() > 0) add(m->indexData(), sizeof(int32_t) * static_cast<size_t>(m->indexCount()));
    for (int e = 0; e < m->elementCount(); ++e) {
        const PackedObjDB::Element& el = m->element(e);
        const int fields[6] = {el.kind, el.count, static_cast<int>(el.first),
                               el.part, el.originalPart, static_cast<int>(el.user)};
        add(fields, sizeof fields);
    }
    return out;
}

// Each object's solid and display mesh at a quality, as bytes. The face and caps they are built from are not compared:
// a difference there shows in the solid, or, for what the ports keep for later, in the rebuild after a style change.
std::vector<std::string> stagesOf(Title& t, int mode) {
    std::vector<std::string> out;
    for (ObjectX* o : t.objects) {
        out.push_back(bytesOf(o->displayGeometry(mode)));
        out.push_back(bytesOf(o->solid(mode)));
    }
    return out;
}

class TextSolidBatch : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (!Folders::exists(test::kDejaVuSans)) GTEST_SKIP() << "DejaVu Sans is not installed";
    }
    void TearDown() override { ObjectX::setBuildThreads(0); }
};

// The batch's meshes are the ports' to the bit, and the ports take them as their own. Render solids are what is kept:
// the stages they were built from are current but not held, and a read makes them again (the stamps a read keeps are
// OutputPortTest's). Previews hold theirs.
TEST_P(TextSolidBatch, BuildsWhatThePortsBuildAndRenderBatchesLetTheEarlierStagesGo) {
    for (int mode : {kRenderMode, kPreviewMode}) {
        Title serial(GetParam());  // of more than 40 objects: the faces counted below
        const std::vector<std::string> expected = stagesOf(serial, mode);
        // What a display mesh reads is what a copy of the solid holds, whether it is one or the solid itself; most
        // solids need no second copy (a straight-sided glyph whose texture never meets a reused corner keeps one).
        size_t shared = 0;
        for (ObjectX* o : serial.objects) {
            PackedObjDB* display = o->displayGeometry(mode);
            auto* solid = dynamic_cast<PackedObjDB*>(o->solid(mode));
            ASSERT_TRUE(display && solid);
            PackedObjDB copy;
            ASSERT_TRUE(copy.pack(*solid));
            EXPECT_TRUE(bytesOf(&copy) == bytesOf(display)) << o->name();
            shared += display == solid;
        }
        EXPECT_GT(shared * 4, serial.objects.size() * 3);
        for (int threads : {1, 3}) {
            SCOPED_TRACE(threads);
            Title batch(GetParam());
            ObjectX::setBuildThreads(threads);
            ObjectX::buildSolids(batch.objects, mode);
            // Asking for the meshes builds nothing.
            std::vector<uint32_t> stamps;
            for (ObjectX* o : batch.objects) {
                auto* solid = port(*o, mode);
                ASSERT_FALSE(solid->dirty());
                stamps.push_back(solid->stamp());
                auto* face = facePort(*o, mode);
                OutputPort* outline = face->input("FlattenedProfileInput")->source();
                ASSERT_TRUE(outline);
                for (OutputPort* stage : std::array<OutputPort*, 3>{face, port(*o, mode, "FrontBackGeometry"), outline})
                    EXPECT_TRUE(stage->isValid() && stage->evicted() == (mode == kRenderMode))
                        << o->name() << " " << stage->name() << " evicted " << stage->evicted();
            }
            const std::vector<std::string> built = stagesOf(batch, mode);
            for (size_t i = 0; i < batch.objects.size(); ++i)
                EXPECT_EQ(port(*batch.objects[i], mode)->stamp(), stamps[i]) << batch.objects[i]->name();
            ASSERT_EQ(built.size(), expected.size());
            for (size_t i = 0; i < built.size(); ++i)
                EXPECT_TRUE(built[i] == expected[i]) << batch.objects[i / 2]->name() << " stage " << i % 2;
            int faces = 0;
            for (ObjectX* o : batch.objects) faces += !facePort(*o, mode)->value()->empty();
            EXPECT_GT(faces, 40);
        }
    }
}

TEST_P(TextSolidBatch, ABatchAfterAStyleChangeRebuildsOnlyWhatChanged) {
    Title serial(GetParam()), batch(GetParam());
    ObjectX::setBuildThreads(2);
    ObjectX::buildSolids(batch.objects, kRenderMode);
    for (Title* t : {&serial, &batch}) dynamic_cast<ObjectXStyle*>(t->scene.findMember("Style"))->setDepth(30);
    std::vector<uint32_t> faces;
    for (ObjectX* o : batch.objects) faces.push_back(facePort(*o, kRenderMode)->stamp());
    ObjectX::buildSolids(batch.objects, kRenderMode);
    // The faces do not depend on the depth and stay as they were.
    for (size_t i = 0; i < batch.objects.size(); ++i)
        EXPECT_EQ(facePort(*batch.objects[i], kRenderMode)->stamp(), faces[i]);
    EXPECT_EQ(stagesOf(batch, kRenderMode), stagesOf(serial, kRenderMode));
}

// A bevel on the front only, so a batch that mixed up front and back caps shows; a second edge would add only another
// profile's geometry through the same batch.
INSTANTIATE_TEST_SUITE_P(Edges, TextSolidBatch, ::testing::Values("Bevel, Medium Front"));

}  // namespace
}  // namespace fw
