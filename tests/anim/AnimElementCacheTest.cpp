// Element caches and groups: their lines, and members named by name or by place.
#include "anim/AnimElementCache.h"

#include <gtest/gtest.h>

#include "AnimTestScene.h"
#include "MemoryStream.h"
#include "anim/AnimGroup.h"

namespace fw {
namespace {

using test::readLines;
using test::writtenBlock;

// The block as a stream whose flag asks for places instead of names writes it.
std::string writtenWithPlaces(CommandEnabler& record) { return writtenBlock(record, 1); }

TEST(AnimElementCache, FreshCacheAndGroupWriteTheirDefaults) {
    SceneX scene;
    AnimElementCache cache(scene);
    AnimGroup group(scene);
    EXPECT_EQ(writtenBlock(cache),
              " begin AnimElementCache\n  isInherited \"false\"\n  isAnimated \"true\"\n  groupType SOFT\n"
              "  animateBy CHARACTER\n  animateFragmentsBy OBJECT\n  group \"\"\n  object \"\"\n  camera \"\"\n"
              "  light \"\"\n  parent \"\"\n  startTranslate 0 0 0\n  startRotate 0 0 0\n  startRotateOrder xyz\n"
              "  startScale 1 1 1\n  startOrigin 0 0 0\n  tweakTranslate 0 0 0\n  tweakRotate 0 0 0\n"
              "  tweakScale 1 1 1\n  tweakOrigin 0 0 0\n  cameraCache  0 0 0  0 0 0  0 0 0 0\n"
              "  tweakCameraCacheUsed 0\n  tweakCameraCache  0 0 0  0 0 0  0 0 0 0\n  reverseArch 0\n"
              " end AnimElementCache\n");
    EXPECT_EQ(writtenBlock(group), " begin AnimGroup\n  groupName \"\"\n  groupType \"soft\"\n  autoGroup 0\n end AnimGroup\n");
}

TEST(AnimElementCache, EveryValueComesBack) {
    SceneX scene;
    test::addObject(scene, "A");
    const std::string body =
        "  isInherited \"true\"\n  isAnimated \"false\"\n  groupType HARD\n  animateBy WORD\n"
        "  animateFragmentsBy FRAGMENT\n  group \"Letters\"\n  object \"A\"\n  camera \"Cam\"\n  light \"3\"\n"
        "  parent \"root\"\n  startTranslate 1 2 3\n  startRotate 10 20 30\n  startRotateOrder zxy\n"
        "  startScale 2 2 2\n  startOrigin -1 -2 -3\n  tweakTranslate 0.5 0 0\n  tweakRotate 0 45 0\n"
        "  tweakScale 1 1.5 1\n  tweakOrigin 0 0 1\n  cameraCache  1 2 3  4 5 6  7 8 9 10\n"
        "  tweakCameraCacheUsed 1\n  tweakCameraCache  -1 -2 -3  -4 -5 -6  -7 -8 -9 -10\n  reverseArch 1\n"
        "  begin Keyframes\n   at 3\n  end Keyframes\n";
    AnimElementCache cache(scene);
    ASSERT_EQ(readLines(cache, body + " end AnimElementCache\n"), 0);
    EXPECT_EQ(writtenBlock(cache), " begin AnimElementCache\n" + body + " end AnimElementCache\n");
    EXPECT_EQ(cache.groupType, AnimElementCache::kHard);
    EXPECT_EQ(cache.animateBy, AnimElementCache::kWord);
    EXPECT_EQ(cache.light.index, 3);
    EXPECT_TRUE(cache.light.name.empty());
    EXPECT_EQ(cache.element(), scene.findMember("A"));
    EXPECT_EQ(cache.tweakCameraCache[9], -10.0);
    EXPECT_EQ(readLines(cache, "animateBy SENTENCE\n"), -1);
    EXPECT_EQ(readLines(cache, "cameraCache 1 2 3\nend AnimElementCache\n"), -1);
}

// Objects go out as their place in the object list when the stream asks for places,
// and a number read back is a place.
TEST(AnimElementCache, MembersAreNamedOrPlaced) {
    SceneX scene;
    test::addObject(scene, "First");
    SceneMember* second = test::addObject(scene, "Second");
    AnimGroup group(scene);
    ASSERT_EQ(readLines(group, "groupName \"Pair\"\ngroupType \"hard\"\nautoGroup 1\ngroupObject \"Second\"\n"
                               "groupObject \"0\"\ngroupObject \"7\"\ngroupObject \"Gone\"\n"),
              0);
    ASSERT_EQ(group.objects.size(), 3u);  // place 7 names nothing
    EXPECT_EQ(group.objects[0].resolve(), second);
    EXPECT_EQ(writtenBlock(group), " begin AnimGroup\n  groupName \"Pair\"\n  groupType \"hard\"\n  autoGroup 1\n"
                                   "  groupObject \"Second\"\n  groupObject \"First\"\n  groupObject \"Gone\"\n"
                                   " end AnimGroup\n");
    EXPECT_EQ(writtenWithPlaces(group), " begin AnimGroup\n  groupName \"Pair\"\n  groupType \"hard\"\n  autoGroup 1\n"
                                        "  groupObject \"1\"\n  groupObject \"0\"\n  groupObject \"Gone\"\n"
                                        " end AnimGroup\n");
    EXPECT_EQ(readLines(group, "groupType \"firm\"\n"), -1);

    AnimElementCache cache(scene);
    ASSERT_EQ(readLines(cache, "object \"Second\"\nparent \"Nowhere\"\n"), 0);
    std::string placed = writtenWithPlaces(cache);
    EXPECT_NE(placed.find("  object \"1\"\n  camera \"\"\n  light \"\"\n  parent \"Nowhere\"\n"), std::string::npos);
    ASSERT_EQ(readLines(cache, "object \"1\"\n"), 0);
    EXPECT_EQ(cache.element(), second);
    EXPECT_NE(writtenBlock(cache).find("  object \"1\"\n"), std::string::npos);
    ASSERT_EQ(readLines(cache, "object \"99\"\n"), 0);
    EXPECT_EQ(cache.element(), nullptr);
}

}  // namespace
}  // namespace fw
